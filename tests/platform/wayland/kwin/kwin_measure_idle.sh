#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later
# The app left alone in a headless KDE Plasma (KWin) Wayland session, through its KWin channel,
# main window closed (tray icon in an XEmbed tray on XWayland): its CPU share over SECONDS, as scripts/measure-idle.sh measures on X11.
#   tests/platform/wayland/kwin/kwin_measure_idle.sh build/release/src/app/quorel [seconds]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)

if [ "${1:-}" = "--inside" ]; then
    work=$2 app=$3 seconds=$4
    # No Plasma panel here to host the tray icon: an XEmbed tray on XWayland stands in, so
    # closing the main window leaves the app running as it would on a desktop.
    trayer --edge top --align right --widthtype request --height 24 >/dev/null 2>&1 &
    tray=$!
    sleep 1
    "$app" >"$work/app.log" 2>&1 &
    app_pid=$!
    deadline=$((SECONDS + 30))
    until grep -qs "applications through a KWin script" "$work/app.log"; do
        [ $SECONDS -lt $deadline ] || { echo "the app did not choose KWin's channel" >"$work/out"; exit 0; }
        sleep 0.1
    done
    sleep 2
    wmctrl -c Quorel
    sleep 3  # let start-up work settle before counting
    cpu() { cat /proc/"$app_pid"/task/*/schedstat | awk '{s += $1} END {printf "%d", s}'; }
    before=$(cpu)
    sleep "$seconds"
    after=$(cpu)
    if ! kill -0 "$app_pid" 2>/dev/null; then
        { echo "the app exited early:"; cat "$work/app.log"; } >"$work/out"
        exit 0
    fi
    python3 - "$before" "$after" "$seconds" >"$work/out" <<'PY'
import sys
before, after, seconds = map(float, sys.argv[1:])
cpu_s = (after - before) / 1e9
print(f"cpu_seconds={cpu_s:.2f} over {seconds:.0f} s, share={100 * cpu_s / seconds:.3f} % of one core")
PY
    kill -TERM "$app_pid" "$tray"
    wait "$app_pid"
    exit 0
fi

app=$(realpath "$1")
seconds=${2:-60}
source "$here/../../../../scripts/throwaway-home.sh"
binary=$(command -v kwin_wayland) || { echo "kwin_wayland is not installed"; exit 1; }
cp "$binary" "$work/kwin_wayland"  # without its file capability: see in-kwin.sh
unset WAYLAND_DISPLAY DISPLAY DBUS_SESSION_BUS_ADDRESS
export XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=KDE
KWIN_COMPOSE=Q timeout $((seconds + 120)) dbus-run-session -- \
    "$work/kwin_wayland" --virtual --xwayland --no-lockscreen --socket "quorel-kwin-$$" \
    --exit-with-session "$0 --inside $work $app $seconds" >"$work/kwin.log" 2>&1
[ -s "$work/out" ] || fail "no figures: KWin did not run the session"
cat "$work/out"
