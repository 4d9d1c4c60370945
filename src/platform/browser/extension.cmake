# The browser extension's end in the app: the socket its native-messaging hosts reach, the host
# manifests, and the link that asks the extension before the DevTools backend.
set(QUOREL_BROWSER_DIR ${CMAKE_CURRENT_LIST_DIR})
target_sources(quorel_platform PRIVATE
    ${QUOREL_BROWSER_DIR}/BrowserLink.cpp ${QUOREL_BROWSER_DIR}/BrowserLink.h
    ${QUOREL_BROWSER_DIR}/BrowserLinkProtocol.cpp ${QUOREL_BROWSER_DIR}/BrowserLinkProtocol.h
    ${QUOREL_BROWSER_DIR}/ExtensionBrowserLink.cpp ${QUOREL_BROWSER_DIR}/ExtensionBrowserLink.h
    ${QUOREL_BROWSER_DIR}/HostManifests.cpp ${QUOREL_BROWSER_DIR}/HostManifests.h
)
target_link_libraries(quorel_platform PRIVATE Qt6::Network)

# The program the browsers start. Built next to the app, where the app looks for it first; an
# installed app finds it in lib/quorel (no one runs it by hand, so it stays off PATH).
set(QUOREL_HOST_INSTALL_DIR lib/quorel)
add_executable(quorel-browser-host
    ${QUOREL_BROWSER_DIR}/host/main.cpp
    ${QUOREL_BROWSER_DIR}/host/BrowserHostRelay.cpp ${QUOREL_BROWSER_DIR}/host/BrowserHostRelay.h
    ${QUOREL_BROWSER_DIR}/BrowserLinkProtocol.cpp ${QUOREL_BROWSER_DIR}/BrowserLinkProtocol.h
)
target_include_directories(quorel-browser-host PRIVATE ${QUOREL_BROWSER_DIR})
target_link_libraries(quorel-browser-host PRIVATE quorel_common quorel_core Qt6::Core Qt6::Network)
set_target_properties(quorel-browser-host PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/src/app)
install(TARGETS quorel-browser-host DESTINATION ${QUOREL_HOST_INSTALL_DIR})

# The extension as a folder (Chromium's "Load unpacked") and as a zip (Firefox's "Install
# Add-on From File"), the zip made here from the folder's files.
file(GLOB QUOREL_EXTENSION_FILES RELATIVE ${PROJECT_SOURCE_DIR}/extension CONFIGURE_DEPENDS
     ${PROJECT_SOURCE_DIR}/extension/*)
list(TRANSFORM QUOREL_EXTENSION_FILES PREPEND ${PROJECT_SOURCE_DIR}/extension/
     OUTPUT_VARIABLE QUOREL_EXTENSION_PATHS)
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/quorel.xpi
    COMMAND ${CMAKE_COMMAND} -E tar cf ${PROJECT_BINARY_DIR}/quorel.xpi --format=zip
            -- ${QUOREL_EXTENSION_FILES}
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}/extension
    DEPENDS ${QUOREL_EXTENSION_PATHS}
    COMMENT "Zipping the browser extension into quorel.xpi")
add_custom_target(quorel_xpi ALL DEPENDS ${PROJECT_BINARY_DIR}/quorel.xpi)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/extension/
    DESTINATION ${CMAKE_INSTALL_DATADIR}/quorel/extension)
install(FILES ${PROJECT_BINARY_DIR}/quorel.xpi DESTINATION ${CMAKE_INSTALL_DATADIR}/quorel)

# The system-wide host manifests, written by the code that writes the per-user ones, so that the
# two never disagree on the name or the extension ids.
if(QUOREL_SYSTEM_HOST_MANIFESTS)
    add_executable(quorel-host-manifest
        ${QUOREL_BROWSER_DIR}/host/manifest_main.cpp
        ${QUOREL_BROWSER_DIR}/HostManifests.cpp ${QUOREL_BROWSER_DIR}/HostManifests.h
        ${QUOREL_BROWSER_DIR}/BrowserLinkProtocol.cpp ${QUOREL_BROWSER_DIR}/BrowserLinkProtocol.h
    )
    target_include_directories(quorel-host-manifest PRIVATE ${QUOREL_BROWSER_DIR})
    target_link_libraries(quorel-host-manifest PRIVATE quorel_common Qt6::Core)

    # The file name is the host's registered name, which the header holds.
    file(STRINGS ${QUOREL_BROWSER_DIR}/BrowserLinkProtocol.h host_name_line
         REGEX "browserHostName\\{\"[^\"]+\"\\}")
    if(NOT host_name_line MATCHES "browserHostName\\{\"([^\"]+)\"\\}")
        message(FATAL_ERROR "No browserHostName in BrowserLinkProtocol.h")
    endif()
    set(QUOREL_HOST_MANIFEST_NAME ${CMAKE_MATCH_1}.json)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
                 ${QUOREL_BROWSER_DIR}/BrowserLinkProtocol.h)

    set(host_path ${CMAKE_INSTALL_PREFIX}/${QUOREL_HOST_INSTALL_DIR}/quorel-browser-host)
    set(QUOREL_HOST_MANIFESTS "")
    foreach(family firefox chromium)
        set(manifest ${PROJECT_BINARY_DIR}/host-manifests/${family}/${QUOREL_HOST_MANIFEST_NAME})
        add_custom_command(OUTPUT ${manifest}
            COMMAND quorel-host-manifest ${family} ${host_path} ${manifest}
            DEPENDS quorel-host-manifest
            COMMENT "Writing the ${family} host manifest")
        list(APPEND QUOREL_HOST_MANIFESTS ${manifest})
    endforeach()
    add_custom_target(quorel_host_manifests ALL DEPENDS ${QUOREL_HOST_MANIFESTS})

    # Where each browser looks for system-wide hosts; the folders under /etc hold conffiles.
    set(QUOREL_HOST_MANIFEST_FOLDERS
        firefox /usr/lib/mozilla/native-messaging-hosts
        chromium /etc/chromium/native-messaging-hosts
        chromium /etc/opt/chrome/native-messaging-hosts
        chromium /etc/opt/edge/native-messaging-hosts
        chromium /etc/brave/native-messaging-hosts)
    while(QUOREL_HOST_MANIFEST_FOLDERS)
        list(POP_FRONT QUOREL_HOST_MANIFEST_FOLDERS family folder)
        install(FILES ${PROJECT_BINARY_DIR}/host-manifests/${family}/${QUOREL_HOST_MANIFEST_NAME}
            DESTINATION ${folder})
        if(folder MATCHES "^/etc/")
            set_property(GLOBAL APPEND PROPERTY QUOREL_CONFFILES
                         ${folder}/${QUOREL_HOST_MANIFEST_NAME})
        endif()
    endwhile()
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/quorel.lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME quorel)
endif()
