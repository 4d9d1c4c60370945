# KDE Plasma: the script's reports, and the adapter against a real headless KWin.
quorel_add_test(tst_kwinwindows SOURCES kwin/tst_kwinwindows.cpp LIBS quorel_platform
    LABELS wayland)

# kwin-session.sh exits 77 when KWin cannot start here, saying why; ctest shows a skip.
add_executable(tst_kwinworkspace kwin/tst_kwinworkspace.cpp)
target_link_libraries(tst_kwinworkspace PRIVATE
    quorel_common quorel_fakes quorel_platform Qt6::Test Qt6::DBus)
add_test(NAME tst_kwinworkspace
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/kwin/kwin-session.sh $<TARGET_FILE:tst_kwinworkspace>)
target_compile_definitions(tst_kwinworkspace PRIVATE
    QUOREL_TEST_WINDOW="$<TARGET_FILE:quorel_test_window>")
add_dependencies(tst_kwinworkspace quorel_test_window)
set_tests_properties(tst_kwinworkspace PROPERTIES
    LABELS "e2e;wayland" TIMEOUT 180 SKIP_RETURN_CODE 77)

# The real app in a KWin session with XWayland; the app links only where it is built.
if(TARGET quorel)
    add_test(NAME kwin_blocks_apps
        COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/kwin/kwin_blocks_apps.sh
                $<TARGET_FILE:quorel> $<TARGET_FILE:quorel_test_window>)
    set_tests_properties(kwin_blocks_apps PROPERTIES
        LABELS "e2e;wayland" TIMEOUT 300 SKIP_RETURN_CODE 77)
endif()

# Idle time from KWin's ext-idle-notify-v1; the test itself is built beside the sway one.
if(TARGET tst_waylandidlenotify)
    add_test(NAME tst_waylandidlenotify_kwin
        COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/kwin/kwin-session.sh
                $<TARGET_FILE:tst_waylandidlenotify>)
    set_tests_properties(tst_waylandidlenotify_kwin PROPERTIES
        LABELS "e2e;wayland" TIMEOUT 120 SKIP_RETURN_CODE 77)
endif()
