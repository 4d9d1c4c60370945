# GNOME Shell: the adapter against a stand-in extension, and against the real shell headless.
quorel_add_test(tst_gnomeshellworkspace
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/gnome/tst_gnomeshellworkspace.cpp
    LIBS quorel_platform Qt6::DBus
    LABELS wayland)
