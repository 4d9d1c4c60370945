# GNOME Shell: the adapter against a stand-in extension, and against the real shell headless.
quorel_add_test(tst_gnomeshellworkspace
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/gnome/tst_gnomeshellworkspace.cpp
    LIBS quorel_platform Qt6::DBus
    LABELS wayland)

# The real app in a headless GNOME Shell with the extension enabled; skipped where the shell
# cannot start.
if(TARGET quorel)
    add_test(NAME e2e_wayland_gnome
        COMMAND ${CMAKE_CURRENT_LIST_DIR}/gnome/gnome_blocks_apps.sh $<TARGET_FILE:quorel>)
    set_tests_properties(e2e_wayland_gnome PROPERTIES
        LABELS "e2e;wayland" TIMEOUT 240 SKIP_RETURN_CODE 77
        ENVIRONMENT QUOREL_BRIDGE_PORT=49393)
endif()

# Mutter's idle monitor: played by the test on a bus of its own, then the real shell's.
quorel_add_test(tst_mutteridlemonitor
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/gnome/tst_mutteridlemonitor.cpp
    LIBS quorel_platform Qt6::DBus
    LABELS wayland)
add_test(NAME tst_mutteridlemonitor_gnome
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/gnome/in-gnome.sh $<TARGET_FILE:tst_mutteridlemonitor>
            realShellTellsIdle)
set_tests_properties(tst_mutteridlemonitor_gnome PROPERTIES
    LABELS "e2e;wayland" TIMEOUT 120 SKIP_RETURN_CODE 77)
