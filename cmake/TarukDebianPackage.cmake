# `cpack -G DEB` in a build of the `package` preset makes
# taruk_VERSION_ARCH.deb. Dependencies come from the shared libraries the
# programs load (dpkg-shlibdeps); the maintainer scripts in res/debian make
# the service's user and give the reader its capabilities.
set(CPACK_PACKAGE_NAME taruk)
set(CPACK_PACKAGE_VENDOR "Taruk developers")
set(CPACK_PACKAGE_CONTACT "Taruk developers <taruk@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "disk-health monitor for the notification area")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Taruk watches the machine's fixed disks: it reads each drive's identity and
ATA S.M.A.R.T. data, keeps temperature histories, lists every attribute and
watches volume free space. On a critical temperature or low free space it
shows a balloon, plays a sound, sends an e-mail, or shuts the machine down,
suspends or hibernates it.
.
taruk --headless runs the monitor without windows, and serves its last
readings as Prometheus metrics; a systemd unit (not enabled) and alerting
rules for Prometheus come with it.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# setcap for the reader, useradd for the service's user.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libcap2-bin, passwd")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${CMAKE_SOURCE_DIR}/res/debian/postinst ${CMAKE_SOURCE_DIR}/res/debian/prerm ${CMAKE_SOURCE_DIR}/res/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)

# Debian wants a copyright file and a changelog with every package.
include(GNUInstallDirs)
install(FILES ${CMAKE_SOURCE_DIR}/res/debian/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
set(changelog ${CMAKE_BINARY_DIR}/changelog.gz)
add_custom_command(OUTPUT ${changelog}
  COMMAND gzip -9n -c ${CMAKE_SOURCE_DIR}/res/debian/changelog > ${changelog}
  DEPENDS ${CMAKE_SOURCE_DIR}/res/debian/changelog)
add_custom_target(debian_changelog ALL DEPENDS ${changelog})
install(FILES ${changelog} DESTINATION ${CMAKE_INSTALL_DOCDIR})
include(CPack)
