# Idle time from the compositor: ext-idle-notify-v1 (KWin 5.27, sway 1.8 and later) or KDE's
# older idle protocol (sway 1.7 and other wlroots 0.15 compositors), on a Wayland connection of
# our own. The protocol code is generated from the XML that Debian's packages install.
enable_language(C)
pkg_check_modules(WAYLAND_CLIENT REQUIRED IMPORTED_TARGET wayland-client)
pkg_get_variable(QUOREL_WAYLAND_PROTOCOLS wayland-protocols pkgdatadir)
pkg_get_variable(QUOREL_WAYLAND_SCANNER wayland-scanner wayland_scanner)
find_package(PlasmaWaylandProtocols REQUIRED)

set(quorel_idle_protocols
    ext-idle-notify-v1 ${QUOREL_WAYLAND_PROTOCOLS}/staging/ext-idle-notify/ext-idle-notify-v1.xml
    kde-idle ${PLASMA_WAYLAND_PROTOCOLS_DIR}/idle.xml)
set(quorel_idle_generated)
while(quorel_idle_protocols)
    list(POP_FRONT quorel_idle_protocols name xml)
    set(out ${CMAKE_CURRENT_BINARY_DIR}/protocols/${name})
    add_custom_command(
        OUTPUT ${out}-client-protocol.h ${out}-protocol.c
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/protocols
        COMMAND ${QUOREL_WAYLAND_SCANNER} client-header ${xml} ${out}-client-protocol.h
        COMMAND ${QUOREL_WAYLAND_SCANNER} private-code ${xml} ${out}-protocol.c
        DEPENDS ${xml}
        VERBATIM)
    list(APPEND quorel_idle_generated ${out}-client-protocol.h ${out}-protocol.c)
endwhile()

# The scanner's C, kept apart from the C++ warnings.
add_library(quorel_wayland_idle_protocols STATIC ${quorel_idle_generated})
# SYSTEM: the generated headers' inline functions cast in C's way.
target_include_directories(quorel_wayland_idle_protocols SYSTEM
    PUBLIC ${CMAKE_CURRENT_BINARY_DIR}/protocols)
target_link_libraries(quorel_wayland_idle_protocols PUBLIC PkgConfig::WAYLAND_CLIENT)

target_sources(quorel_platform PRIVATE
    ${CMAKE_CURRENT_SOURCE_DIR}/idle/WaylandIdleNotify.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/idle/WaylandIdleNotify.h)
target_link_libraries(quorel_platform PRIVATE quorel_wayland_idle_protocols)
