# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later

# shellcheck shell=bash
# Sourced first by scripts that reach the app over AT-SPI: reruns the script on a private
# session bus (where the accessibility bus starts on demand), with Qt's accessibility on.
if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ] || [ -z "${QUOREL_A11Y_SESSION:-}" ]; then
    QUOREL_A11Y_SESSION=1 exec dbus-run-session -- "$0" "$@"
fi
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 NO_AT_BRIDGE=0
