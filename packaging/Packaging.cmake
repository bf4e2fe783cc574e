# What an installation holds, and the Debian package made of it (cpack -G DEB,
# or the target `package`).
include(GNUInstallDirs)
# Packing takes what the build made; it does not build the test suite first
# (the package test runs while the suite runs).
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
install(TARGETS masment masment-demo-db RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(PROGRAMS ${CMAKE_CURRENT_LIST_DIR}/masment-setup ${CMAKE_CURRENT_LIST_DIR}/masment-start
        DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_BINARY_DIR}/src/masment.PDF DESTINATION ${CMAKE_INSTALL_DATADIR}/masment)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/templates/pro_title.inf ${CMAKE_CURRENT_LIST_DIR}/templates/SYSTEM.DAT
        DESTINATION ${CMAKE_INSTALL_DATADIR}/masment/templates)
install(PROGRAMS ${CMAKE_SOURCE_DIR}/scripts/office-server.sh DESTINATION ${CMAKE_INSTALL_DATADIR}/masment)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/masment.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/masment.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME masment)
set(CPACK_PACKAGE_VENDOR "masment")
set(CPACK_PACKAGE_CONTACT "masment maintainers <masment@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "工種部材マスター登録 - master maintenance of the TREVOLAN estimating suite")
set(CPACK_PACKAGE_INSTALL_DIRECTORY masment)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Edits the work-type, member and unit masters of the TREVOLAN estimating suite\n in a local work database and registers them back to the product database.\n Includes the Japanese manual, a demo database maker and masment-setup, which\n lays out a program folder.")
# The libraries the programs link come from dpkg-shlibdeps; these are used
# without being linked: the embedded database engine, the window system plugin,
# Qt's own Japanese texts, the font, and iconv for the setup command.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "firebird3.0-server-core, firebird3.0-common, libfbclient2, qt6-qpa-plugins, qt6-translations-l10n, libicu72, libmuparser2v5, fonts-ipafont-gothic, libc-bin")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "firebird3.0-server, evince | okular | qpdfview | mupdf")
include(CPack)
