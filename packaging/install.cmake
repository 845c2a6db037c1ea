# What `cmake --install` puts where, and the Debian package CPack builds from
# it (scripts/package.sh). Installed, the program finds its read-only files
# in <prefix>/share/hayeskvd/ and keeps the operator's files in the XDG
# folders (base/ProgramPlaces.h).
include(GNUInstallDirs)

set(HK_APP_ID local.hayeskvd.HayesKvd)
set(HK_SHARE_DIR ${CMAKE_INSTALL_DATADIR}/hayeskvd)

install(TARGETS HayesKvd hayeskvd-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_SOURCE_DIR}/help/HayesKvd.html DESTINATION ${HK_SHARE_DIR})
install(FILES ${HK_EXAMPLE_LISTS} DESTINATION ${HK_SHARE_DIR})
install(FILES ${CMAKE_CURRENT_LIST_DIR}/${HK_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/${HK_APP_ID}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/${HK_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

if(NOT UNIX OR APPLE)
    return()
endif()

# Debian wants the copyright and a compressed changelog in the package's doc
# folder, and a manual page.
set(HK_CHANGELOG_GZ ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
add_custom_command(OUTPUT ${HK_CHANGELOG_GZ}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
    COMMAND gzip -9n -c ${CMAKE_CURRENT_LIST_DIR}/changelog > ${HK_CHANGELOG_GZ}
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/changelog)
set(HK_MANPAGE_GZ ${CMAKE_BINARY_DIR}/packaging/HayesKvd.1.gz)
add_custom_command(OUTPUT ${HK_MANPAGE_GZ}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
    COMMAND gzip -9n -c ${CMAKE_CURRENT_LIST_DIR}/HayesKvd.1 > ${HK_MANPAGE_GZ}
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/HayesKvd.1)
set(HK_CLI_MANPAGE_GZ ${CMAKE_BINARY_DIR}/packaging/hayeskvd-cli.1.gz)
add_custom_command(OUTPUT ${HK_CLI_MANPAGE_GZ}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
    COMMAND gzip -9n -c ${CMAKE_CURRENT_LIST_DIR}/hayeskvd-cli.1 > ${HK_CLI_MANPAGE_GZ}
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/hayeskvd-cli.1)
add_custom_target(hk_changelog ALL DEPENDS ${HK_CHANGELOG_GZ} ${HK_MANPAGE_GZ} ${HK_CLI_MANPAGE_GZ})
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright ${HK_CHANGELOG_GZ}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/hayeskvd)
install(FILES ${HK_MANPAGE_GZ} ${HK_CLI_MANPAGE_GZ} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME hayeskvd)
set(CPACK_PACKAGE_VERSION 1.5)
set(HK_PACKAGE_MAINTAINER "HayesKvd developers <hayeskvd@example.org>"
    CACHE STRING "The Debian package's maintainer, name and address")
set(CPACK_PACKAGE_CONTACT "${HK_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "set-up of Hayes modems for KVARD controllers")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Keeps lists of modem initialisation lines, writes them into a Hayes modem\n\
as AT commands and shows its answers, and reads and writes the modem buffers\n\
of a KVARD controller over its serial protocol. The user interface is Russian.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION comm)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation2, qt6-translations-l10n")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)
