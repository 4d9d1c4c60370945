# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later

# quorel_dbus_contract(TARGET XML HEADER PREFIX): HEADER (a path under the build's generated/
# folder, which TARGET includes) gives PREFIXInterface, PREFIXPath, PREFIXInterfaceFile and
# PREFIXInterfaceXml from the introspection file XML: the node's path and its one interface.
# The build is configured again when XML changes.
function(quorel_dbus_contract target xml header prefix)
    file(READ ${xml} CONTRACT_XML)
    string(REGEX MATCH "<node name=\"([^\"]+)\"" _ "${CONTRACT_XML}")
    set(CONTRACT_PATH ${CMAKE_MATCH_1})
    string(REGEX MATCH "<interface name=\"([^\"]+)\"" _ "${CONTRACT_XML}")
    set(CONTRACT_INTERFACE ${CMAKE_MATCH_1})
    if(NOT CONTRACT_PATH OR NOT CONTRACT_INTERFACE)
        message(FATAL_ERROR "${xml} names no node path or no interface")
    endif()
    get_filename_component(CONTRACT_FILE ${xml} NAME)
    file(RELATIVE_PATH CONTRACT_SOURCE ${PROJECT_SOURCE_DIR} ${xml})
    set(CONTRACT_PREFIX ${prefix})
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${xml})
    configure_file(${PROJECT_SOURCE_DIR}/cmake/DBusContract.h.in
        ${PROJECT_BINARY_DIR}/generated/${header} @ONLY)
    target_include_directories(${target} PUBLIC ${PROJECT_BINARY_DIR}/generated)
endfunction()
