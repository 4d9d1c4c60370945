#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Whole-process figures for the app left alone: CPU share, peak and final resident memory over a
# minute on a headless desktop with a tray, main window closed (or open: MAIN_WINDOW=open; closed,
# the time to build it again is taken at the end),
# optionally with a countdown running (COUNTDOWN=running), or with a countdown and an ambient
# sound playing into a null sink (AMBIENT="Soft Rain", "Lo-Fi Chords" or "Zen Chimes").
#   scripts/measure-idle.sh build/release/src/app/quorel [seconds]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
app=$(realpath "$1")
seconds=${2:-60}

if [ -z "${QUOREL_IN_DESKTOP:-}" ]; then
    QUOREL_IN_DESKTOP=1 exec "$here/with-desktop.sh" "$0" "$app" "$seconds"
fi

source "$here/throwaway-home.sh"
if [ -n "${AMBIENT:-}" ]; then
    COUNTDOWN=running
    source "$here/null-sink.sh"
fi

trayer --edge top --align right --widthtype request --height 24 >/dev/null 2>&1 &
pids+=("$!")
sleep 1

if [ "${COUNTDOWN:-}" = running ]; then
    # A schedule whose window is open now starts a countdown on the first tick, as a user's would.
    python3 "$here/saved-document.py" --schedule-open 1 --ambient "${AMBIENT:-Off}" --volume 0.25
fi

launched_ms=$(date +%s%3N)
QT_LOGGING_RULES="quorel.startup.info=true" "$app" >"$work/app.log" 2>&1 &
app_pid=$!
pids+=("$app_pid")
xdotool search --sync --limit 1 --name '^Quorel$' >/dev/null
if [ "${MAIN_WINDOW:-closed}" = closed ]; then
    waitUntil 10 wmctrl -c Quorel || fail "the main window did not close"
fi
sleep 3  # let start-up work settle, and a closed window's views go, before counting
first_frame_ms=$(sed -n 's/.*first frame at \([0-9]*\) ms.*/\1/p' "$work/app.log" | head -n1)
[ -n "$first_frame_ms" ] && echo "first_frame=$((first_frame_ms - launched_ms)) ms after launch"

# Nanoseconds on a CPU, summed over every thread (schedstat is finer than the 10 ms of stat).
cpu() { cat /proc/"$app_pid"/task/*/schedstat | awk '{s += $1} END {printf "%d", s}'; }
# Per thread, "tid voluntary involuntary": a thread that sleeps and is woken switches voluntarily;
# one pushed off the CPU by another (the X server it just wrote to) does not, and costs no wake-up.
switches() {
    for task in /proc/"$app_pid"/task/*; do
        echo "${task##*/} $(awk '/^voluntary_ctxt/ {v = $2} /^nonvoluntary_ctxt/ {n = $2} END {print v, n}' "$task/status")"
    done 2>/dev/null
}
# The same per thread, "name nanoseconds", to tell the sound's threads from the GUI's.
threads() {
    for task in /proc/"$app_pid"/task/*; do
        echo "$(tr ' ' _ <"$task/comm") $(cut -d' ' -f1 "$task/schedstat")"
    done 2>/dev/null
}
threads >"$work/threads.before"
before=$(cpu)
switches >"$work/switches.before"
sleep "$seconds"
after=$(cpu)
switches >"$work/switches.after"
# Threads that ended meanwhile are left out; new ones count from their start.
read -r wakeups preempted < <(awk 'NR == FNR {v[$1] = $2; n[$1] = $3; next}
    {w += $2 - v[$1]; p += $3 - n[$1]} END {printf "%d %d\n", w, p}' \
    "$work/switches.before" "$work/switches.after")
threads >"$work/threads.after"
if ! kill -0 "$app_pid" 2>/dev/null; then
    echo "the app exited early:"; cat "$work/app.log"; exit 1
fi
[ -n "${AMBIENT:-}" ] && echo "sink_rms=$(sinkRms 1) while playing $AMBIENT"
peak_kb=$(awk '/VmHWM/ {print $2}' "/proc/$app_pid/status")
rss_kb=$(awk '/^Rss:/ {print $2}' "/proc/$app_pid/smaps_rollup")
pss_kb=$(awk '/^Pss:/ {print $2}' "/proc/$app_pid/smaps_rollup")
python3 - "$before" "$after" "$seconds" "$peak_kb" "$rss_kb" "$pss_kb" \
    "$wakeups" "$preempted" <<'PY'
import sys
before, after, seconds, peak, rss, pss, wakeups, preempted = map(float, sys.argv[1:])
cpu_s = (after - before) / 1e9
print(f"cpu_seconds={cpu_s:.2f} over {seconds:.0f} s, share={100 * cpu_s / seconds:.3f} % of one core")
print(f"wakeups={wakeups / seconds:.2f} per second, preempted={preempted / seconds:.2f} per second")
print(f"peak_rss={peak / 1024:.1f} MB; at the end rss={rss / 1024:.1f} MB, pss={pss / 1024:.1f} MB")
PY
# Threads that took at least 0.01 % of a core, by name (threads that share one are summed).
awk -v s="$seconds" 'NR == FNR {b[$1] += $2; next} {a[$1] += $2}
    END {for (n in a) {p = 100 * (a[n] - b[n]) / 1e9 / s; if (p >= 0.01) printf "thread %s: %.3f %%\n", n, p}}' \
    "$work/threads.before" "$work/threads.after" | sort -t: -k2 -rn
# A closed main window is built again when asked for: a second launch asks, as a user's would.
if [ "${MAIN_WINDOW:-closed}" = closed ]; then
    "$app" >/dev/null 2>&1 || true
    built() { [ "$(grep -c 'first frame at' "$work/app.log")" -ge 2 ]; }
    waitUntil 10 built || fail "the main window was not built again"
    echo "reopen=$(sed -n 's/.*first frame at .*, \([0-9]*\) ms after it was asked for.*/\1/p' \
        "$work/app.log" | tail -n1) ms from the request to the first frame"
fi
