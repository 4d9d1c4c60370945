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

# The program the browsers start. Built next to the app, where the app looks for it and points
# the host manifests at it.
add_executable(quorel-browser-host
    ${QUOREL_BROWSER_DIR}/host/main.cpp
    ${QUOREL_BROWSER_DIR}/host/BrowserHostRelay.cpp ${QUOREL_BROWSER_DIR}/host/BrowserHostRelay.h
    ${QUOREL_BROWSER_DIR}/BrowserLinkProtocol.cpp ${QUOREL_BROWSER_DIR}/BrowserLinkProtocol.h
)
target_include_directories(quorel-browser-host PRIVATE ${QUOREL_BROWSER_DIR})
target_link_libraries(quorel-browser-host PRIVATE quorel_common quorel_core Qt6::Core Qt6::Network)
set_target_properties(quorel-browser-host PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/src/app)
install(TARGETS quorel-browser-host)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/extension/
    DESTINATION ${CMAKE_INSTALL_DATADIR}/quorel/extension)
