#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a command inside a headless KWin Wayland session of its own (own runtime folder, session
# bus and socket), so it never meets the desktop of the caller or of tests running beside it.
# Exits 77 with the reason when KWin or the test client cannot run here.
set -uo pipefail

if [ "${1:-}" = "--inside" ]; then
    work=$2
    shift 2
    socket=quorel-kwin-$$
    KWIN_COMPOSE=Q "$work/kwin_wayland" --virtual --no-lockscreen --socket "$socket" \
        --width 1024 --height 768 >"$work/kwin.log" 2>&1 &
    kwin=$!
    deadline=$((SECONDS + 30))
    until [ -S "$XDG_RUNTIME_DIR/$socket" ] &&
        dbus-send --session --print-reply --dest=org.kde.KWin /Scripting \
            org.freedesktop.DBus.Peer.Ping >/dev/null 2>&1; do
        if ! kill -0 "$kwin" 2>/dev/null || [ $SECONDS -ge $deadline ]; then
            echo "SKIP: kwin_wayland --virtual did not start here:"
            tail -5 "$work/kwin.log"
            kill "$kwin" 2>/dev/null
            exit 77
        fi
        sleep 0.1
    done
    # For a test that replaces KWin with a new one.
    QUOREL_KWIN_PID=$kwin QUOREL_COMPOSITOR_PID=$kwin QUOREL_KWIN_BINARY=$work/kwin_wayland WAYLAND_DISPLAY=$socket "$@"
    status=$?
    if [ $status -ne 0 ]; then
        echo "--- KWin's log"
        grep -iE 'script|js:|error' "$work/kwin.log" | tail -20
    fi
    kill "$kwin" 2>/dev/null
    wait "$kwin" 2>/dev/null
    exit $status
fi

source "$(dirname "$0")/../../../../scripts/throwaway-home.sh"
skip() {
    echo "SKIP: $1"
    exit 77
}
binary=$(command -v kwin_wayland) || skip "kwin_wayland is not installed (Debian package kwin-wayland)"

command -v dbus-run-session >/dev/null || skip "dbus-run-session is not installed"
# Debian gives kwin_wayland the file capability cap_sys_resource, and a container whose
# capability bounding set lacks it refuses to start the binary at all (EPERM from execve). A
# copy carries no file capabilities and is the same KWin; it only keeps the default limits.
cp "$binary" "$work/kwin_wayland" || skip "cannot copy kwin_wayland"
unset WAYLAND_DISPLAY DISPLAY DBUS_SESSION_BUS_ADDRESS
export XDG_DATA_HOME=$work/data XDG_CACHE_HOME=$work/cache
dbus-run-session -- "$0" --inside "$work" "$@" 2> >(grep -v 'Failed to set fd limit' >&2)
