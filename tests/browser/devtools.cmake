# The DevTools backend against a made-up /proc and a fake browser endpoint.
quorel_add_test(tst_cdpendpoints SOURCES tst_cdpendpoints.cpp LIBS quorel_platform LABELS browser)
quorel_add_test(tst_cdpbrowserscripting SOURCES tst_cdpbrowserscripting.cpp
    LIBS quorel_platform Qt6::Network Qt6::WebSockets LABELS browser)
