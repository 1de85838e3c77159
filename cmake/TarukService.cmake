# For fleets: the systemd unit of the headless monitor and the Prometheus
# alerting rules for its metrics.
include(GNUInstallDirs)
set(TARUK_BIN_DIR "${CMAKE_INSTALL_FULL_BINDIR}")
set(TARUK_DOC_DIR "${CMAKE_INSTALL_FULL_DOCDIR}")
configure_file(${CMAKE_SOURCE_DIR}/res/systemd/taruk.service.in ${CMAKE_BINARY_DIR}/taruk.service @ONLY)
# Installed, not enabled: `systemctl enable --now taruk` starts it.
install(FILES ${CMAKE_BINARY_DIR}/taruk.service DESTINATION lib/systemd/system)
install(FILES ${CMAKE_SOURCE_DIR}/res/prometheus/taruk-rules.yml DESTINATION share/taruk/prometheus)
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
