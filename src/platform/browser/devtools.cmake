# The DevTools-protocol backend of the browser link.
target_sources(quorel_platform PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/CdpBrowserScripting.cpp ${CMAKE_CURRENT_LIST_DIR}/CdpBrowserScripting.h
    ${CMAKE_CURRENT_LIST_DIR}/CdpClient.cpp ${CMAKE_CURRENT_LIST_DIR}/CdpClient.h
    ${CMAKE_CURRENT_LIST_DIR}/CdpEndpoints.cpp ${CMAKE_CURRENT_LIST_DIR}/CdpEndpoints.h)
target_link_libraries(quorel_platform PRIVATE Qt6::Network Qt6::WebSockets)
