# Which desktop the session runs, for the composition's choice of adapter.
target_sources(quorel_platform PRIVATE
    ${CMAKE_CURRENT_SOURCE_DIR}/SessionDetection.cpp ${CMAKE_CURRENT_SOURCE_DIR}/SessionDetection.h)
