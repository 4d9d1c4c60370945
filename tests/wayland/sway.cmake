quorel_add_test(tst_swayipc SOURCES tst_swayipc.cpp LIBS quorel_platform LABELS wayland)
