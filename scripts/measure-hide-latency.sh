#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later
# How long a blocked application stays in front during focus, on each desktop: the end-to-end
# blocking tests of X11 (openbox), sway, KWin and GNOME Shell each activate a blocked window 20
# times and time it until it is hidden; this runs them ROUNDS times (default 1) for the app
# built in BUILD_DIR and prints, per desktop and round, the median and the worst delay:
#   desktop  median_ms  worst_ms  (n=20)
# The median of an even count is the mean of the two middle values.
#   scripts/measure-hide-latency.sh BUILD_DIR [ROUNDS]
# DESKTOPS="x11 sway kwin gnome" picks the desktops; LATENCY_LOGS=DIR keeps each run's output.
# The tests come from this tree, so two builds are measured alike. GNOME is the exception: the
# shell extension goes with the app, so when BUILD_DIR's source tree ships another extension,
# that tree's own GNOME test runs, and a note on stderr says so.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
tree=$(cd "$here/.." && pwd)

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
    echo "usage: $0 BUILD_DIR [ROUNDS]" >&2
    exit 2
fi
build=$(realpath "$1")
rounds=${2:-1}
app=$build/src/app/quorel
window=$build/tests/common/quorel_test_window
[ -x "$app" ] || { echo "no app at $app" >&2; exit 1; }
logs=${LATENCY_LOGS:-$(mktemp -d)}
mkdir -p "$logs"
[ -n "${LATENCY_LOGS:-}" ] || trap 'rm -rf "$logs"' EXIT

source=$(sed -n 's/^CMAKE_HOME_DIRECTORY:INTERNAL=//p' "$build/CMakeCache.txt" 2>/dev/null)
gnomeTree=$tree
if [ -n "$source" ] && [ -d "$source/gnome-shell-extension" ] &&
    ! diff -rq "$source/gnome-shell-extension" "$tree/gnome-shell-extension" >/dev/null; then
    gnomeTree=$source
    [[ " ${DESKTOPS:-gnome} " == *" gnome "* ]] &&
        echo "note: gnome runs the test of $source, whose shell extension the app was built with" >&2
fi

# A bridge port nobody listens on, so that a test running beside this one keeps its own.
freePort() {
    python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# run DESKTOP LOG: the desktop's blocking test, with the time limit ctest gives it.
run() {
    local port
    port=$(freePort)
    case $1 in
        x11) QUOREL_BRIDGE_PORT=$port timeout 180 "$tree/scripts/with-desktop.sh" \
            "$tree/tests/e2e/app_blocks_apps.sh" "$app" ;;
        sway) QUOREL_BRIDGE_PORT=$port timeout 180 "$tree/tests/platform/wayland/sway/sway_blocks_apps.sh" "$app" ;;
        kwin) QUOREL_BRIDGE_PORT=$port timeout 300 "$tree/tests/platform/wayland/kwin/kwin_blocks_apps.sh" \
            "$app" "$window" ;;
        gnome) QUOREL_BRIDGE_PORT=$port timeout 240 \
            "$gnomeTree/tests/platform/wayland/gnome/gnome_blocks_apps.sh" "$app" ;;
        *) echo "unknown desktop $1"; return 2 ;;
    esac >"$2" 2>&1 </dev/null
}

# The tests print "activation to hidden, ms: D1 D2 ...; median M" (X11: "to iconic").
summary() {
    sed -n 's/.*activation to [a-z]*, ms: \([0-9 ]*\);.*/\1/p' "$1" | head -n1 | tr ' ' '\n' |
        grep . | sort -n | awk '{ v[NR] = $1 } END {
            if (NR == 0) exit 1
            m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
            printf "%g  %d  (n=%d)", m, v[NR], NR }'
}

status=0
for round in $(seq "$rounds"); do
    for desktop in ${DESKTOPS:-x11 sway kwin gnome}; do
        log=$logs/$desktop-$round.log
        run "$desktop" "$log"
        rc=$?
        if line=$(summary "$log"); then
            [ $rc -eq 0 ] || { echo "note: $desktop test exited $rc after measuring" >&2; status=1; }
            echo "$desktop  $line"
        else
            echo "$desktop  -  -  (exit $rc, no figures)"
            tail -n 15 "$log" | sed "s/^/  $desktop: /" >&2
            status=1
        fi
    done
done
exit $status
