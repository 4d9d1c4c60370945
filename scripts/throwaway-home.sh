# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later

# shellcheck shell=bash
# Sourced by the end-to-end and measuring scripts: a throw-away home for one run of the app
# (its own config and runtime folders, so it never meets the user's Quorel), the processes to
# stop when the script ends, and a wait that polls instead of sleeping a fixed time.
work=$(mktemp -d)
pids=()
# ours NAME: the processes called NAME that run with this home, started by the script or not.
ours() {
    local pid
    for pid in $(pgrep -x "$1"); do
        grep -qzx "XDG_CONFIG_HOME=$XDG_CONFIG_HOME" "/proc/$pid/environ" 2>/dev/null && echo "$pid"
    done
    return 0
}
cleanup() {
    # A strict focus watcher first, or it starts the app again; then any app it started.
    for pid in $(ours quorel-watch); do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}" $(ours quorel); do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    # A browser's helpers may still be writing into its profile for a moment after it is gone.
    for _ in 1 2 3 4 5; do
        rm -rf "$work" 2>/dev/null && return 0
        sleep 0.5
    done
    rm -rf "$work" || true
}
trap cleanup EXIT
export XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime HOME=$work
mkdir -m 700 "$XDG_RUNTIME_DIR"

# fail MESSAGE: says why, shows every log of the run, and ends the script.
fail() {
    echo "$1"
    for log in "$work"/*.log; do
        [ -e "$log" ] && { echo "--- $log"; cat "$log"; }
    done
    exit 1
}

# waitUntil SECONDS COMMAND...: polls COMMAND until it succeeds or the time is up.
waitUntil() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.05
    done
}

# stays SECONDS COMMAND...: COMMAND holds throughout (checked every 0.1 s).
stays() {
    local until=$((SECONDS + $1))
    shift
    while [ $SECONDS -lt $until ]; do "$@" || return 1; sleep 0.1; done
}

# watcherHides KEY_END: how many hides the app's log ($work/app.log, the app run with
# QT_LOGGING_RULES=quorel.blocking.debug=true) puts down to the desktop's events (a window
# coming to the front or into sight), not to the 0.3 s guard, for an application whose key
# ends in KEY_END.
watcherHides() { grep -cE "hidden as it (came to the front|showed): \"[^\"]*$1\"" "$work/app.log" || true; }
