# KDE Plasma: the adapter and the KWin scripts it loads, carried as resources.
target_sources(quorel_platform PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/kwin/KWinWindows.cpp ${CMAKE_CURRENT_LIST_DIR}/kwin/KWinWindows.h
    ${CMAKE_CURRENT_LIST_DIR}/kwin/KWinWorkspace.cpp
    ${CMAKE_CURRENT_LIST_DIR}/kwin/KWinWorkspace.h
)
target_link_libraries(quorel_platform PRIVATE Qt6::DBus)
quorel_dbus_contract(quorel_platform ${CMAKE_CURRENT_LIST_DIR}/kwin/app.quorel.KWinWorkspace.xml
    wayland/kwin/KWinWorkspaceInterface.h kwinWorkspace)
qt_add_resources(quorel_platform quorel_kwin_scripts
    PREFIX /kwin
    BASE ${CMAKE_CURRENT_LIST_DIR}/kwin
    FILES ${CMAKE_CURRENT_LIST_DIR}/kwin/workspace.js ${CMAKE_CURRENT_LIST_DIR}/kwin/hide.js
          ${CMAKE_CURRENT_LIST_DIR}/kwin/minimise.js)
