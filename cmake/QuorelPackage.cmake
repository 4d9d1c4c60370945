# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later

# The Debian package (`make package`): CPack's DEB generator over the install rules, with the
# library dependencies found by dpkg-shlibdeps. Configure with CMAKE_INSTALL_PREFIX=/usr (the
# package preset) so that the paths the build writes into files match where they are installed.

# What Debian wants beside the program: the copyright, a changelog and a manual page, each
# compressed where Debian compresses them.
set(QUOREL_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/quorel)
string(TIMESTAMP QUOREL_PACKAGE_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in ${PROJECT_BINARY_DIR}/packaging/in/changelog
               @ONLY)
foreach(page changelog quorel.1)
    if(page STREQUAL "changelog")
        set(source ${PROJECT_BINARY_DIR}/packaging/in/changelog)
    else()
        set(source ${PROJECT_SOURCE_DIR}/packaging/${page})
    endif()
    # -n: no name or time in the header, so the same sources give the same bytes.
    add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/packaging/${page}.gz
        COMMAND ${CMAKE_COMMAND} -E copy ${source} ${PROJECT_BINARY_DIR}/packaging/${page}
        COMMAND gzip -9nf ${PROJECT_BINARY_DIR}/packaging/${page}
        DEPENDS ${source})
    list(APPEND QUOREL_COMPRESSED_DOCS ${PROJECT_BINARY_DIR}/packaging/${page}.gz)
endforeach()
add_custom_target(quorel_docs ALL DEPENDS ${QUOREL_COMPRESSED_DOCS})
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${PROJECT_BINARY_DIR}/packaging/changelog.gz
    DESTINATION ${QUOREL_DOC_DIR})
install(FILES ${PROJECT_BINARY_DIR}/packaging/quorel.1.gz
    DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Quorel developers")
set(CPACK_PACKAGE_CONTACT "The Quorel developers <dev@quorel.app>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "focus assistant that keeps distracting apps and websites away")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
if(QUOREL_PACKAGE_DIRECTORY)
    set(CPACK_OUTPUT_FILE_PREFIX ${QUOREL_PACKAGE_DIRECTORY})
endif()

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # quorel_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://quorel.app)
# The summary is the synopsis; this is the text under it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Quorel keeps a focus countdown with breaks and an optional strict mode, starts
focus by itself inside scheduled daily windows, hides the applications on its
block list while focus runs, keeps the front browser tab away from blocked
websites through its browser extension, and counts which application is in
front, per day, against a daily goal. It lives in the system tray.")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# dpkg-shlibdeps sees the libraries the programs link, not the QML modules the views import at
# run time; without these the main window does not load.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qml6-module-qtqml, qml6-module-qtqml-workerscript, qml6-module-qtquick, \
qml6-module-qtquick-controls, qml6-module-qtquick-templates, qml6-module-qtquick-layouts, \
qml6-module-qtquick-shapes, qml6-module-qtquick-window")
# Native Wayland windows, and the sound played when a focus period ends.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, sound-theme-freedesktop")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# Files under /etc are the administrator's to edit: dpkg keeps their changes on upgrade.
get_property(QUOREL_CONFFILES GLOBAL PROPERTY QUOREL_CONFFILES)
if(QUOREL_CONFFILES)
    list(JOIN QUOREL_CONFFILES "\n" conffiles)
    file(WRITE ${PROJECT_BINARY_DIR}/packaging/conffiles "${conffiles}\n")
    set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/packaging/conffiles)
endif()

include(CPack)
