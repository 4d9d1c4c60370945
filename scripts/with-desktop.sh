#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later
# shellcheck disable=SC2317  # functions run from traps and conditions
# Runs a command inside a throw-away headless X desktop (Xvfb + openbox) and exits with its status.
#
#   scripts/with-desktop.sh COMMAND [ARGS...]
#
# The server takes the first free display (Xvfb -displayfd), so several runs can share a machine.
# DISPLAY is exported to the command and WAYLAND_DISPLAY removed, so toolkits pick the X server.
# Whatever happens (command fails, signal, timeout of the caller), openbox and Xvfb are stopped.
# Set WITH_DESKTOP_GEOMETRY (default 1280x800x24) to change the screen.
set -uo pipefail

if [ $# -eq 0 ]; then
    echo "usage: $0 COMMAND [ARGS...]" >&2
    exit 2
fi

readonly startup_timeout=30  # seconds, for the server and the window manager each
workdir=$(mktemp -d "${TMPDIR:-/tmp}/with-desktop.XXXXXX")
xvfb_pid=""
wm_pid=""
cmd_pid=""

stop() {  # pid: TERM, then KILL if it lingers
    local pid=$1
    [ -n "$pid" ] || return 0
    kill -TERM "$pid" 2>/dev/null || return 0
    for _ in $(seq 40); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.05
    done
    kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
}

cleanup() {
    stop "$cmd_pid"
    stop "$wm_pid"
    stop "$xvfb_pid"
    rm -rf "$workdir"
}
trap cleanup EXIT
for sig in HUP INT TERM; do
    # shellcheck disable=SC2064
    trap "[ -n \"\$cmd_pid\" ] && kill -$sig \$cmd_pid 2>/dev/null; exit \$((128 + $(kill -l $sig)))" "$sig"
done

fail() {
    echo "with-desktop: $1" >&2
    for log in "$workdir"/*.log; do
        [ -s "$log" ] && tail -n 20 "$log" | sed "s|^|  $(basename "$log" .log): |" >&2
    done
    exit 1
}

waitFor() {  # description, condition command...
    local what=$1
    shift
    local deadline=$((SECONDS + startup_timeout))
    until "$@"; do
        [ $SECONDS -lt $deadline ] || fail "$what did not come up within ${startup_timeout}s"
        sleep 0.02
    done
}

# Xvfb writes the display number it chose, then a newline, once it accepts connections.
Xvfb -displayfd 3 -screen 0 "${WITH_DESKTOP_GEOMETRY:-1280x800x24}" -nolisten tcp -noreset \
    3>"$workdir/display" >"$workdir/xvfb.log" 2>&1 &
xvfb_pid=$!
xvfbReady() {
    kill -0 "$xvfb_pid" 2>/dev/null || fail "Xvfb exited"
    [ "$(tail -c1 "$workdir/display" 2>/dev/null | od -An -c | tr -d ' ')" = '\n' ]
}
waitFor "Xvfb" xvfbReady
DISPLAY=":$(head -n1 "$workdir/display")"
export DISPLAY
unset WAYLAND_DISPLAY

# The window manager is up once it manages windows: it publishes its check window (EWMH) a
# little before that, and a window mapped in between stays unmanaged. openbox runs its startup
# command once it is ready.
openbox --sm-disable --startup "touch $workdir/wm-ready" >"$workdir/openbox.log" 2>&1 &
wm_pid=$!
wmReady() {
    kill -0 "$wm_pid" 2>/dev/null || fail "openbox exited"
    [ -e "$workdir/wm-ready" ] && xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'
}
waitFor "openbox" wmReady
# Only needed while starting; gone now, so even a KILL of this script leaves no folder behind.
rm -rf "$workdir"

# In the background so that a signal reaches the traps at once; <&0 keeps the caller's stdin
# (a background command would get /dev/null), when there is one.
if [ -e /proc/self/fd/0 ]; then
    "$@" <&0 &
else
    "$@" </dev/null &
fi
cmd_pid=$!
wait "$cmd_pid"
status=$?
cmd_pid=""
exit "$status"
