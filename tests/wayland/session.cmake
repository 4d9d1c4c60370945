quorel_add_test(tst_sessiondetection SOURCES tst_sessiondetection.cpp LIBS quorel_platform
    LABELS wayland)
