# The DevTools backend against a made-up /proc and a fake browser endpoint.
quorel_add_test(tst_cdpendpoints SOURCES tst_cdpendpoints.cpp LIBS quorel_platform LABELS browser)
quorel_add_test(tst_cdpbrowserscripting SOURCES tst_cdpbrowserscripting.cpp
    LIBS quorel_platform Qt6::Network Qt6::WebSockets LABELS browser)

# Drives the backend against a real browser for tests/e2e/browser_cdp.sh and for measuring.
add_executable(cdp_probe tst_cdpprobe.cpp)
target_link_libraries(cdp_probe PRIVATE quorel_common quorel_platform quorel_bridge)
