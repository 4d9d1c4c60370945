quorel_add_test(tst_swayipc SOURCES tst_swayipc.cpp LIBS quorel_platform LABELS wayland)
quorel_add_test(tst_swayworkspace SOURCES tst_swayworkspace.cpp LIBS quorel_platform Qt6::Network
    LABELS wayland)

# The real app in a headless sway session with native Wayland clients; skipped where sway
# cannot start.
if(TARGET quorel)
    add_test(NAME e2e_wayland_sway
        COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/sway_blocks_apps.sh $<TARGET_FILE:quorel>)
    set_tests_properties(e2e_wayland_sway PROPERTIES
        LABELS "e2e;wayland" TIMEOUT 180 SKIP_RETURN_CODE 77
        ENVIRONMENT QUOREL_BRIDGE_PORT=49391)
    # waybar's tray, started after the app, and again after it quits.
    add_test(NAME e2e_wayland_sway_tray_late
        COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/sway_tray_late.sh $<TARGET_FILE:quorel>)
    set_tests_properties(e2e_wayland_sway_tray_late PROPERTIES
        LABELS "e2e;wayland" TIMEOUT 120 SKIP_RETURN_CODE 77
        ENVIRONMENT QUOREL_BRIDGE_PORT=49392)
endif()

# Idle time from a real headless sway (KDE's idle protocol on sway 1.7), and from KWin below.
add_executable(tst_waylandidlenotify tst_waylandidlenotify.cpp)
target_link_libraries(tst_waylandidlenotify PRIVATE quorel_common quorel_platform Qt6::Test)
add_test(NAME tst_waylandidlenotify_sway
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/in-sway.sh $<TARGET_FILE:tst_waylandidlenotify>)
set_tests_properties(tst_waylandidlenotify_sway PROPERTIES
    LABELS "e2e;wayland" TIMEOUT 120 SKIP_RETURN_CODE 77)
