# GNOME Shell: the adapter and the shell extension it installs, carried as resources.
set(QUOREL_GNOME_EXTENSION_DIR ${PROJECT_SOURCE_DIR}/gnome-shell-extension)
set(_interface_xml ${QUOREL_GNOME_EXTENSION_DIR}/app.quorel.GnomeShell.xml)
quorel_dbus_contract(quorel_platform ${_interface_xml} wayland/gnome/GnomeShellInterface.h gnomeShell)
target_sources(quorel_platform PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/gnome/GnomeShellWorkspace.cpp
    ${CMAKE_CURRENT_LIST_DIR}/gnome/GnomeShellWorkspace.h
    ${CMAKE_CURRENT_LIST_DIR}/gnome/MutterIdleMonitor.cpp
    ${CMAKE_CURRENT_LIST_DIR}/gnome/MutterIdleMonitor.h
)
target_link_libraries(quorel_platform PUBLIC Qt6::DBus)
set(_extension_files ${QUOREL_GNOME_EXTENSION_DIR}/metadata.json
    ${QUOREL_GNOME_EXTENSION_DIR}/extension.js ${_interface_xml})
qt_add_resources(quorel_platform quorel_gnome_shell_extension
    PREFIX /gnome-shell-extension
    BASE ${QUOREL_GNOME_EXTENSION_DIR}
    FILES ${_extension_files})

# Installed for every user as well, in the folder its uuid names; the app still writes a user
# copy at start, which the shell prefers, so a user's copy never lags behind the app.
file(READ ${QUOREL_GNOME_EXTENSION_DIR}/metadata.json _metadata)
string(JSON _uuid GET "${_metadata}" uuid)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${QUOREL_GNOME_EXTENSION_DIR}/metadata.json)
install(FILES ${_extension_files}
    DESTINATION ${CMAKE_INSTALL_DATADIR}/gnome-shell/extensions/${_uuid})
