# GNOME Shell: the adapter and the shell extension it installs, carried as resources.
set(QUOREL_GNOME_EXTENSION_DIR ${PROJECT_SOURCE_DIR}/gnome-shell-extension)
set(QUOREL_GNOME_INTERFACE_FILE app.quorel.GnomeShell.xml)
set(_interface_xml ${QUOREL_GNOME_EXTENSION_DIR}/${QUOREL_GNOME_INTERFACE_FILE})
file(READ ${_interface_xml} QUOREL_GNOME_INTERFACE_XML)
string(REGEX MATCH "<node name=\"([^\"]+)\"" _ "${QUOREL_GNOME_INTERFACE_XML}")
set(QUOREL_GNOME_PATH ${CMAKE_MATCH_1})
string(REGEX MATCH "<interface name=\"([^\"]+)\"" _ "${QUOREL_GNOME_INTERFACE_XML}")
set(QUOREL_GNOME_INTERFACE ${CMAKE_MATCH_1})
if(NOT QUOREL_GNOME_PATH OR NOT QUOREL_GNOME_INTERFACE)
    message(FATAL_ERROR "${_interface_xml} names no node path or no interface")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_interface_xml})
configure_file(${CMAKE_CURRENT_LIST_DIR}/gnome/GnomeShellInterface.h.in
    ${PROJECT_BINARY_DIR}/generated/wayland/gnome/GnomeShellInterface.h @ONLY)
target_include_directories(quorel_platform PUBLIC ${PROJECT_BINARY_DIR}/generated)
target_sources(quorel_platform PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/gnome/GnomeShellWorkspace.cpp
    ${CMAKE_CURRENT_LIST_DIR}/gnome/GnomeShellWorkspace.h
)
target_link_libraries(quorel_platform PUBLIC Qt6::DBus)
qt_add_resources(quorel_platform quorel_gnome_shell_extension
    PREFIX /gnome-shell-extension
    BASE ${QUOREL_GNOME_EXTENSION_DIR}
    FILES ${QUOREL_GNOME_EXTENSION_DIR}/metadata.json ${QUOREL_GNOME_EXTENSION_DIR}/extension.js
        ${_interface_xml})
