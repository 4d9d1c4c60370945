#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later
# One Quorel per saved document (run inside scripts/with-desktop.sh): of two launches at once one
# keeps running and the other exits 0; a later launch, naming the folder with a trailing slash
# and without a runtime folder, brings the minimised main window back with its startup id and
# exits 0 too.
set -euo pipefail
app=$1
source "$(dirname "$0")/../../scripts/throwaway-home.sh"

alive() { kill -0 "$1" 2>/dev/null; }
exited() { ! alive "$1"; }
oneAlive() { [ $(( $(alive "$1" && echo 1 || echo 0) + $(alive "$2" && echo 1 || echo 0) )) -eq 1 ]; }
mainWindowShown() {
    local window
    window=$(xdotool search --onlyvisible --name '^Quorel$' 2>/dev/null | head -n1)
    [ -n "$window" ] && ! xprop -id "$window" _NET_WM_STATE | grep _NET_WM_STATE_HIDDEN >/dev/null
}
mainWindowHidden() { ! mainWindowShown; }

"$app" >"$work/first.log" 2>&1 &
first=$!
"$app" >"$work/second.log" 2>&1 &
second=$!
pids+=("$first" "$second")
waitUntil 10 oneAlive "$first" "$second" || fail "not exactly one of two racing launches kept running"
if alive "$first"; then running=$first; gone=$second; else running=$second; gone=$first; fi
wait "$gone" || fail "the launch that deferred exited with $?"
waitUntil 10 mainWindowShown || fail "the running instance shows no main window"

xdotool windowminimize --sync "$(xdotool search --onlyvisible --name '^Quorel$' | head -n1)"
waitUntil 5 mainWindowHidden || fail "could not minimise the main window"

XDG_CONFIG_HOME=$XDG_CONFIG_HOME/ DESKTOP_STARTUP_ID=e2e-launch_TIME1 \
    env -u XDG_RUNTIME_DIR "$app" >"$work/third.log" 2>&1 &
third=$!
pids+=("$third")
waitUntil 5 exited "$third" || fail "a later launch did not exit promptly"
wait "$third" || fail "a later launch exited with $?"
waitUntil 5 mainWindowShown || fail "the running instance did not bring its main window back"
startupId() { xprop -id "$(xdotool search --onlyvisible --name '^Quorel$' | head -n1)" _NET_STARTUP_ID; }
waitUntil 5 eval 'startupId | grep -q "e2e-launch_TIME1"' ||
    fail "the main window did not take the later launch's startup id: $(startupId)"
alive "$running" || fail "the running instance is gone"
echo "single instance ok: one of two racing launches ran, a later one handed over"
