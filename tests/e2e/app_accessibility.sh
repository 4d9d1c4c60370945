#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later
# The real app seen the way a screen reader sees it (run inside scripts/with-desktop.sh): over
# AT-SPI, every showing control of every screen (and of the lists, menus and sheet they open) and
# of the tray's control window has a name, nothing hidden is in the tree, and a switch says
# whether it is on; then "Start Focus" is found by its name and enabled, pressing it starts a
# strict Deep Work countdown, the same button then reads "Strict Locked", it and "Reset" read as
# disabled, as do the switches on Blockers, and the strict banner is heard.
set -euo pipefail
app=$1
here=$(cd "$(dirname "$0")" && pwd)

source "$here/../../scripts/a11y-session.sh"
source "$here/../../scripts/throwaway-home.sh"

# The tray icon: the app's window under trayer's panel. The reader takes all of its input: with
# pipefail, an early exit fails the writer on SIGPIPE.
trayIcon() {
    xwininfo -root -tree | awk '
        /\("panel" "trayer"\)/ { match($0, /^ */); depth = RLENGTH; inside = 1; next }
        inside { match($0, /^ */); if (RLENGTH <= depth) inside = 0
                 else if (/\("quorel" "Quorel"\)/ && !id) id = $1 }
        END { if (id) print id; else exit 1 }'
}

trayer --edge top --align right --widthtype pixel --width 120 --heighttype pixel --height 24 \
    >"$work/trayer.log" 2>&1 &
pids+=("$!")
"$app" >"$work/app.log" 2>&1 &
pids+=("$!")
# Keys go to the main window: Escape closes what the walk opens.
xdotool search --sync --limit 1 --name '^Quorel$' windowactivate --sync 2>>"$work/xdotool.log"

# Debian's pyatspi lives with the system Python, whatever python3 is first on PATH.
/usr/bin/python3 "$here/every_control_named.py" \
    || fail "the main window has controls a screen reader cannot name"

waitUntil 10 trayIcon >/dev/null || fail "the icon did not come to the tray"
xdotool mousemove --window "$(trayIcon)" 6 6 click 1
/usr/bin/python3 "$here/every_control_named.py" --control-window \
    || fail "the control window has controls a screen reader cannot name"
xdotool key Escape

/usr/bin/python3 "$here/find_start_focus.py" || fail "the app as a screen reader sees it is wrong"
