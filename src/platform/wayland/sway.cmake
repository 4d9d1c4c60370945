# sway and compositors that speak its IPC: a socket of JSON messages, read with Qt.
target_sources(quorel_platform PRIVATE
    ${CMAKE_CURRENT_SOURCE_DIR}/sway/SwayIpc.cpp ${CMAKE_CURRENT_SOURCE_DIR}/sway/SwayIpc.h
    ${CMAKE_CURRENT_SOURCE_DIR}/sway/SwayWorkspace.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/sway/SwayWorkspace.h)
target_link_libraries(quorel_platform PRIVATE Qt6::Network)
