#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Time away on a real X desktop (run inside scripts/with-desktop.sh), on a session bus of its own
# whose screen saver the test plays (screensaver.py): with an xterm in front, the app credits
# nothing while the screen saver says locked, from its start on; unlocked, it counts; locked
# again, it stops. Ended by SIGTERM, it saves what it counted.
#
# Every wait polls for what it expects, with a deadline generous enough for a busy machine.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "${QUOREL_AWAY_BUS:-}" ]; then
    QUOREL_AWAY_BUS=1 exec dbus-run-session -- "$0" "$@"
fi
app=$1
readonly patience=60  # seconds, for each wait
source "$here/../../scripts/throwaway-home.sh"
document=$XDG_CONFIG_HOME/quorel/Quorel.PersistedState.v1.json

mkfifo "$work/saver.in"
# Debian's D-Bus bindings live with the system Python, whatever python3 is first on PATH.
/usr/bin/python3 "$here/screensaver.py" locked <"$work/saver.in" >"$work/saver.log" 2>&1 &
pids+=($!)
exec 3>"$work/saver.in"
waitUntil "$patience" grep -q ready "$work/saver.log" || fail "the scripted screen saver did not start"

xterm -title e2e-xterm -e sleep 600 &
pids+=($!)
term=$(timeout "$patience" xdotool search --sync --limit 1 --name '^e2e-xterm$') ||
    fail "no xterm window within ${patience}s"

QT_QUICK_BACKEND=software "$app" >"$work/app.log" 2>&1 &
app_pid=$!
pids+=("$app_pid")
timeout "$patience" xdotool search --sync --limit 1 --name '^Quorel$' >/dev/null ||
    fail "no Quorel window within ${patience}s"
# The xterm in front; the main window stays open (closed, without a tray, the app would quit).
timeout "$patience" xdotool windowactivate --sync "$term" 2>/dev/null || xdotool windowfocus "$term"

# seconds KEY: today's total ("day") or the xterm's, from the saved document; 0 before any.
seconds() {
    python3 - "$document" "$1" "$(date +%Y-%-m-%-d)" <<'PY'
import json, sys
try:
    doc = json.load(open(sys.argv[1]))
except FileNotFoundError:
    print(0); sys.exit()
if sys.argv[2] == "day":
    print(doc.get("dailySecondsByDate", {}).get(sys.argv[3], 0))
else:
    print(doc.get("trackedAppSeconds", {}).get("XTerm", 0))
PY
}

sleep 6  # locked from the start: none of these seconds count
echo unlock >&3
unlocked=$SECONDS
counting() { [ "$(seconds xterm)" -ge 1 ]; }
waitUntil "$patience" counting || fail "no seconds counted once unlocked"
echo lock >&3
counted=$((SECONDS - unlocked))
sleep 8  # locked again: none of these count either
kill -TERM "$app_pid"
wait "$app_pid" || fail "the app ended with $? on SIGTERM"

xterm=$(seconds xterm)
day=$(seconds day)
echo "unlocked for ${counted}s: XTerm ${xterm}s, today ${day}s"
# A second or two either way for the signal's way over the bus.
if [ "$xterm" -lt 1 ] || [ "$xterm" -gt $((counted + 2)) ]; then
    fail "XTerm has ${xterm}s for ${counted}s unlocked (and 14s locked)"
fi
[ "$day" -le $((counted + 2)) ] || fail "today has ${day}s for ${counted}s unlocked"
