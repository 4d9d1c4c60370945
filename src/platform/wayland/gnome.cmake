# GNOME Shell: the adapter and the shell extension it installs, carried as resources.
set(QUOREL_GNOME_EXTENSION_DIR ${PROJECT_SOURCE_DIR}/gnome-shell-extension)
set(_interface_xml ${QUOREL_GNOME_EXTENSION_DIR}/app.quorel.GnomeShell.xml)
quorel_dbus_contract(quorel_platform ${_interface_xml} wayland/gnome/GnomeShellInterface.h gnomeShell)
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
