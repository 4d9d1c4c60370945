#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later
# A strict focus countdown outlives a kill and a stop (run inside scripts/with-desktop.sh):
# started over AT-SPI, it is in the saved document at once. Stopped, Quorel is woken by its
# watcher; killed (KILL, then TERM), it is started again within 5 s, still locked, hides the
# blocked xterm opened meanwhile, and counts towards the same end instead of starting afresh; the
# watcher killed is started again by Quorel.
set -euo pipefail
app=$1
here=$(cd "$(dirname "$0")" && pwd)

source "$here/../../scripts/a11y-session.sh"
source "$here/../../scripts/throwaway-home.sh"
document=$XDG_CONFIG_HOME/quorel/Quorel.PersistedState.v1.json

python3 "$here/../../scripts/saved-document.py" "$document" --focus-seconds 600 --strict \
    --blocked-apps XTerm

press() { /usr/bin/python3 "$here/quorel_atspi.py" "$@"; }
iconic() { xprop -id "$1" WM_STATE 2>/dev/null | grep -q 'window state: Iconic'; }
# The saved session as "endsAt remainingSeconds strictMode"; fails while there is none.
session() {
    python3 - "$document" <<'PY'
import json, sys
s = json.load(open(sys.argv[1])).get("runningSession")
if not s:
    sys.exit(1)
print(s["endsAt"], s["remainingSeconds"], s["strictMode"])
PY
}
startApp() {
    "$app" >>"$work/app.log" 2>&1 &
    app_pid=$!
    pids+=("$app_pid")
    timeout 30 xdotool search --sync --limit 1 --name '^Quorel$' >/dev/null ||
        fail "no Quorel window"
}

running() { [ "$(ps -o stat= -p "$1" 2>/dev/null | cut -c1)" != T ]; }
# The one Quorel of this run, and its watcher; fails while there is not exactly one.
theOne() { local found; found=$(ours "$1") && [ -n "$found" ] && [ "$(wc -w <<<"$found")" = 1 ] && echo "$found"; }
appIsBack() { local now; now=$(theOne quorel) && [ "$now" != "$1" ] && app_pid=$now; }

startApp
press "Start Focus" || fail "could not start focus"
waitUntil 5 session >/dev/null || fail "starting focus saved no running session"
read -r endsAt remaining strict < <(session)
[ "$strict" = True ] || fail "the saved session is not strict"
waitUntil 5 theOne quorel-watch >/dev/null || fail "strict focus started no watcher"

kill -STOP "$app_pid"
sleep 0.5
waitUntil 3 running "$app_pid" || fail "the stopped Quorel was not woken"

kill -KILL "$app_pid"
xterm -title e2e-xterm -e sleep 600 &
pids+=("$!")
# xdotool gives up on a window that vanishes while it walks the tree (BadWindow): ask again.
findXterm() { xterm=$(xdotool search --limit 1 --onlyvisible --name '^e2e-xterm$' 2>/dev/null); }
waitUntil 30 findXterm || fail "no xterm window"
waitUntil 5 appIsBack "$app_pid" || fail "Quorel killed in strict focus did not start again within 5 s"
waitUntil 5 iconic "$xterm" || fail "the resumed focus did not hide the open xterm"
press --wait-for "Strict Locked" || fail "Quorel started again without its strict countdown"

# The watcher killed comes back; then Quorel killed politely comes back as well.
waitUntil 5 theOne quorel-watch >/dev/null || fail "the restarted Quorel started no watcher"
kill "$(theOne quorel-watch)"
sleep 0.2
waitUntil 3 theOne quorel-watch >/dev/null || fail "Quorel did not start its killed watcher again"
kill -TERM "$app_pid"
waitUntil 5 appIsBack "$app_pid" || fail "Quorel ended with TERM in strict focus did not start again within 5 s"

# The first periodic save after the start: the same end, less left.
savedSince() { [ "$(session | cut -d' ' -f2)" != "$remaining" ]; }
waitUntil 30 savedSince || fail "no save of the resumed session"
read -r endsAt2 remaining2 strict2 < <(session)
[ "$strict2" = True ] || fail "the resumed session is not strict"
{ [ $((endsAt2 - endsAt)) -le 2 ] && [ $((endsAt - endsAt2)) -le 2 ]; } ||
    fail "the end moved from $endsAt to $endsAt2: the countdown started afresh"
echo "resumed after a stop, KILL and TERM: $remaining s left at the start, $remaining2 s at the first save after"
