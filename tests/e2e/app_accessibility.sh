#!/usr/bin/env bash
# The real app seen the way a screen reader sees it (run inside scripts/with-desktop.sh): over
# AT-SPI, "Start Focus" is found by its name and enabled, pressing it starts a strict Deep Work
# countdown, the same button then reads "Strict Locked", and it and "Reset" read as disabled.
set -euo pipefail
app=$1
here=$(cd "$(dirname "$0")" && pwd)

if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ] || [ -z "${QUOREL_A11Y_SESSION:-}" ]; then
    QUOREL_A11Y_SESSION=1 exec dbus-run-session -- "$0" "$@"
fi

source "$here/../../scripts/throwaway-home.sh"
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 NO_AT_BRIDGE=0

"$app" >"$work/app.log" 2>&1 &
pids+=($!)
xdotool search --sync --limit 1 --name '^Quorel$' >/dev/null

# Debian's pyatspi lives with the system Python, whatever python3 is first on PATH.
/usr/bin/python3 "$here/find_start_focus.py" || fail "the app as a screen reader sees it is wrong"
