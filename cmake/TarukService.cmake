# For fleets: the systemd unit of the headless monitor and the Prometheus
# alerting rules for its metrics.
include(GNUInstallDirs)
# The unit names the installed program by its full path, so it is made at
# install time, when the prefix (cmake --install --prefix) is known.
install(CODE "
  set(TARUK_BIN_DIR \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
  set(TARUK_DOC_DIR \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DOCDIR}\")
  configure_file(\"${CMAKE_SOURCE_DIR}/res/systemd/taruk.service.in\" \"${CMAKE_BINARY_DIR}/taruk.service\" @ONLY)
")
# Installed, not enabled: `systemctl enable --now taruk` starts it.
install(FILES ${CMAKE_BINARY_DIR}/taruk.service DESTINATION lib/systemd/system)
install(FILES ${CMAKE_SOURCE_DIR}/res/prometheus/taruk-rules.yml DESTINATION share/taruk/prometheus)
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/doc/user-manual.md ${CMAKE_SOURCE_DIR}/doc/operator-manual.md
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/doc/images DESTINATION ${CMAKE_INSTALL_DOCDIR})
