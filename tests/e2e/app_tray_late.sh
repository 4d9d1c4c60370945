#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later
# The tray coming and going around a running Quorel (run inside scripts/with-desktop.sh): an
# XEmbed tray (trayer) started after the app gets the icon, and closing the main window then only
# hides it; once the tray is gone, closing it still only hides it, and says once how the window
# comes back: by starting Quorel again.
set -euo pipefail
app=$1
source "$(dirname "$0")/../../scripts/throwaway-home.sh"

exited() { ! kill -0 "$1" 2>/dev/null; }
mainWindow() { xdotool search --onlyvisible --name '^Quorel$' 2>/dev/null | head -n1; }
mainWindowShown() { [ -n "$(mainWindow)" ]; }
mainWindowHidden() { [ -z "$(mainWindow)" ]; }
# The icon is docked once a window of the app's class sits under trayer's panel. The readers
# take all of their input: with pipefail, an early exit (grep -q) fails the writer on SIGPIPE.
iconDocked() {
    xwininfo -root -tree | awk '
        /\("panel" "trayer"\)/ { match($0, /^ */); depth = RLENGTH; inside = 1; next }
        inside { match($0, /^ */); if (RLENGTH <= depth) inside = 0; else if (/\("quorel" "Quorel"\)/) found = 1 }
        END { exit !found }'
}
noTray() { ! xwininfo -root -tree | grep '("panel" "trayer")' >/dev/null; }

"$app" >"$work/app.log" 2>&1 &
quorel=$!
pids+=("$quorel")
waitUntil 10 mainWindowShown || fail "no main window"

trayer --edge top --align right --widthtype pixel --width 120 --heighttype pixel --height 24 \
    >"$work/trayer.log" 2>&1 &
trayer=$!
pids+=("$trayer")
waitUntil 10 iconDocked || fail "the icon did not come to a tray started after the app"

wmctrl -c Quorel
waitUntil 5 mainWindowHidden || fail "closing the main window did not hide it"
# Still running: a second launch hands over to it and the window comes back.
"$app" >"$work/second.log" 2>&1 &
second=$!
pids+=("$second")
waitUntil 5 exited "$second" || fail "closing the main window with a tray quit the app"
waitUntil 5 mainWindowShown || fail "the main window did not come back"

kill "$trayer"
waitUntil 5 noTray || fail "trayer did not go away"
told() { xdotool search --onlyvisible --name '^Quorel Keeps Running$' >/dev/null 2>&1; }
wmctrl -c Quorel
waitUntil 5 told || fail "closing the main window without a tray did not say how it comes back"
! exited "$quorel" || fail "closing the main window without a tray quit the app"
"$app" >"$work/third.log" 2>&1 &
pids+=("$!")
waitUntil 5 mainWindowShown || fail "starting Quorel again did not bring the main window back"
echo "late tray ok: docked after the app, gone again, and closing then only hid the window"
