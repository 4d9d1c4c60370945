# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later

# One place for the compile settings every Quorel target shares.
add_library(quorel_common INTERFACE)
target_compile_features(quorel_common INTERFACE cxx_std_20)
target_compile_options(quorel_common INTERFACE
    -Wall -Wextra -Wpedantic -Wconversion -Wsign-conversion -Wold-style-cast
    -Wnon-virtual-dtor -Wshadow)
if(QUOREL_WERROR)
    target_compile_options(quorel_common INTERFACE -Werror)
endif()
target_compile_definitions(quorel_common INTERFACE
    QT_NO_CAST_FROM_ASCII
    QT_NO_CAST_TO_ASCII
    QT_NO_CONTEXTLESS_CONNECT
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
    QT_NO_URL_CAST_FROM_STRING
    QT_USE_QSTRINGBUILDER)
if(QUOREL_SANITIZE)
    target_compile_options(quorel_common INTERFACE
        -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
    target_link_options(quorel_common INTERFACE -fsanitize=address,undefined)
endif()
