#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Quorel's CPU share left alone in a headless sway session, with the sway adapter listening and
# a foot window in front. The main window stays open: with no tray host in a bare sway,
# closing it would end the app. COUNTDOWN=running: with a focus countdown running and nothing
# blocked, as scripts/measure-idle.sh measures it on X11.
#   tests/platform/wayland/sway/sway_measure_idle.sh build/release/src/app/quorel [seconds]
set -euo pipefail
app=$(realpath "$1")
seconds=${2:-60}
here=$(cd "$(dirname "$0")" && pwd)
source "$here/sway_session.sh"
if [ "${COUNTDOWN:-}" = running ]; then
    python3 "$here/../../../../scripts/saved-document.py" --schedule-open 0.5
fi

foot --app-id=idle-test sleep 100000 >"$work/foot.log" 2>&1 &
pids+=("$!")
"$app" >"$work/app.log" 2>&1 &
app_pid=$!
pids+=("$app_pid")
waitUntil 20 grep -qs "applications through sway's IPC socket" "$work/app.log" ||
    fail "the app did not choose sway's channel"
sleep 2
swaymsg '[app_id="^idle-test$"] focus' >/dev/null
sleep 3  # let start-up work settle before counting
kill -0 "$app_pid" 2>/dev/null || fail "the app exited at start"

cpu() { cat /proc/"$app_pid"/task/*/schedstat | awk '{s += $1} END {printf "%d", s}'; }
before=$(cpu)
sleep "$seconds"
after=$(cpu)
kill -0 "$app_pid" 2>/dev/null || fail "the app exited early"
python3 - "$before" "$after" "$seconds" <<'PY'
import sys
before, after, seconds = map(float, sys.argv[1:])
cpu_s = (after - before) / 1e9
print(f"cpu_seconds={cpu_s:.2f} over {seconds:.0f} s, share={100 * cpu_s / seconds:.3f} % of one core")
PY
