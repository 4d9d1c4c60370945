# The extension's side of the browser link: frames, host manifests, the app's socket end and the
# host program, each against real local sockets.
quorel_add_test(tst_browserlinkprotocol SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_browserlinkprotocol.cpp
    LIBS quorel_platform LABELS browser)
target_compile_definitions(tst_browserlinkprotocol PRIVATE
    QUOREL_EXTENSION_MANIFEST="${PROJECT_SOURCE_DIR}/extension/manifest.json"
    QUOREL_EXTENSION_SCRIPT="${PROJECT_SOURCE_DIR}/extension/background.js")

quorel_add_test(tst_extensionbrowserlink
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_extensionbrowserlink.cpp
    LIBS quorel_platform Qt6::Network LABELS browser)

quorel_add_test(tst_browserhost SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_browserhost.cpp
    LIBS quorel_platform Qt6::Network LABELS browser)
target_compile_definitions(tst_browserhost PRIVATE
    QUOREL_BROWSER_HOST="$<TARGET_FILE:quorel-browser-host>")
add_dependencies(tst_browserhost quorel-browser-host)
