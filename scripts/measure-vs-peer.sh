#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later
# The app beside rsibreak, a KDE tray program people keep running all day, on one headless
# desktop (Xvfb, openbox, an XEmbed tray, a session bus): each one's share of a core and the
# ratio, with the app idle in the tray, with a focus countdown running (its guard beating), and
# playing Soft Rain into a null sink; there paplay of a WAV into the same sink is measured too,
# as the floor of feeding a sound server. Then the resident memory (RSS and PSS) of each, main
# window closed.
#
#   scripts/measure-vs-peer.sh build/release/src/app/quorel
#
# ROUNDS (default 3) rounds, each measuring every case for SECONDS (default 90); CASES picks
# some of "idle focus rain".
#
# The design against a busy machine: rsibreak runs throughout, and each window reads the app and
# rsibreak (and paplay) over the very same seconds, so a burst from a compiler next door lands on
# both and the round's ratio keeps little of it. The order of the cases turns each round, so a
# slow drift of that load does not always fall on the same case. Reported: medians over rounds,
# and the median of the rounds' ratios.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
app=$(realpath "$1")
rounds=${ROUNDS:-3}
# SECONDS is also bash's own clock, counting on from what it was given: read the environment.
seconds=${MEASURE_VS_PEER_SECONDS:-$(printenv SECONDS || echo 90)}
settle=5  # seconds after a start before counting: loading, first paint, the tray's handshake

if [ -z "${MEASURE_VS_PEER_DESKTOP:-}" ]; then
    for tool in rsibreak dbus-run-session paplay trayer xdotool wmctrl curl; do
        command -v "$tool" >/dev/null || { echo "measure-vs-peer: $tool is missing (make deps)"; exit 1; }
    done
    # rsibreak registers on the session bus and quits without one; the app shares that bus, as
    # on a user's desktop.
    exec env MEASURE_VS_PEER_DESKTOP=1 MEASURE_VS_PEER_SECONDS="$seconds" \
        dbus-run-session -- "$here/with-desktop.sh" "$0" "$app"
fi

source "$here/throwaway-home.sh"
source "$here/null-sink.sh"

trayer --edge top --align right --widthtype request --height 24 >/dev/null 2>&1 &
pids+=("$!")
sleep 1

# rsibreak in a home of its own. With no StatusNotifierWatcher on the bus its icon goes into the
# XEmbed tray, as the app's does. Its timings stay at their defaults: it takes time without input
# as a break taken, so on this desktop no break ever comes and it sits in the tray, its timer
# ticking each second. A first start greets with a dialog whose "don't show again" lands in
# rsibreakrc only where frameworkintegration's plugin is installed (Debian does not pull it in),
# so it is written beforehand and, where not honoured, the dialog is closed as a user's first OK
# would. Each window ends with a look for anything else it shows.
peerHome=$work/rsibreak
mkdir -p "$peerHome/config"
mkdir -m 700 "$peerHome/runtime"
cat >"$peerHome/config/rsibreakrc" <<'RC'
[Notification Messages]
dont_show_welcome_again_for_001=false
RC
HOME=$peerHome XDG_CONFIG_HOME=$peerHome/config XDG_RUNTIME_DIR=$peerHome/runtime \
    rsibreak >"$work/rsibreak.log" 2>&1 &
peer=$!
pids+=("$peer")
if welcome=$(timeout 15 xdotool search --all --sync --onlyvisible --pid "$peer" --name '^Welcome'); then
    wmctrl -i -c "$welcome"
fi
kill -0 "$peer" 2>/dev/null || fail "rsibreak did not start"

# peerWindows: what rsibreak shows beyond its tray icon (a dialog, a break), by title.
peerWindows() {
    local w
    for w in $(xdotool search --onlyvisible --pid "$peer" 2>/dev/null); do
        [ "$(xwininfo -id "$w" | awk '/Width:/ {print $2}')" -gt 64 ] && xdotool getwindowname "$w"
    done
    return 0
}

# The floor for the sound: the same format the app's stream has (48 kHz stereo float), long
# enough for a window, read from a file by paplay.
python3 - "$work/reference.wav" "$((seconds + settle + 10))" <<'PY'
import array, random, struct, sys
rate, channels, seconds = 48000, 2, int(sys.argv[2])
block = array.array("f", (random.uniform(-0.25, 0.25) for _ in range(rate * channels))).tobytes()
data = block * seconds
with open(sys.argv[1], "wb") as f:
    f.write(b"RIFF" + struct.pack("<I", 36 + len(data)) + b"WAVE")
    f.write(b"fmt " + struct.pack("<IHHIIHH", 16, 3, channels, rate, rate * channels * 4,
                                  channels * 4, 32))
    f.write(b"data" + struct.pack("<I", len(data)) + data)
PY

document=$XDG_CONFIG_HOME/quorel/Quorel.PersistedState.v1.json
# A user's list: nothing that runs on this desktop (the tray, the window manager, rsibreak).
blockedApps=Discord,Steam,Telegram
blockedSites=reddit.com,news.ycombinator.com,youtube.com
freePort() { python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
focusIs() { curl -s --max-time 2 "http://127.0.0.1:$bridgePort/" | grep -q "\"isRunning\":$1"; }

# startQuorel CASE: a first start (the saved document is all it has), main window closed once
# shown, and the bridge asked whether focus runs as the case wants.
startQuorel() {
    rm -rf "$XDG_CONFIG_HOME/quorel"
    case $1 in
        focus) python3 "$here/saved-document.py" "$document" --schedule-open 1 \
                   --blocked-apps "$blockedApps" --blocked-sites "$blockedSites" ;;
        rain) python3 "$here/saved-document.py" "$document" --schedule-open 1 \
                  --ambient "Soft Rain" --volume 0.25 \
                  --blocked-apps "$blockedApps" --blocked-sites "$blockedSites" ;;
    esac
    bridgePort=$(freePort)
    echo "--- $1" >>"$work/app.log"
    QUOREL_BRIDGE_PORT=$bridgePort "$app" >>"$work/app.log" 2>&1 &
    quorel=$!
    pids+=("$quorel")
    local window
    window=$(timeout 60 xdotool search --all --sync --limit 1 --pid "$quorel" --name '^Quorel$') ||
        fail "the app's main window did not show"
    wmctrl -i -c "$window"
    local want=true
    [ "$1" = idle ] && want=false
    waitUntil 30 focusIs "$want" || fail "the bridge never said isRunning:$want ($1)"
    sleep "$settle"
    if [ "$1" = rain ]; then
        # The null sink's own level: rain from the app alone, before paplay joins it.
        python3 -c 'import sys; sys.exit(float(sys.argv[1]) < 0.001)' "$(sinkRms 1)" ||
            fail "nothing heard from the sink while the app should play Soft Rain"
    fi
}

gone() { ! kill -0 "$1" 2>/dev/null; }
stopQuorel() {
    kill "$quorel" 2>/dev/null || true
    waitUntil 10 gone "$quorel" || kill -KILL "$quorel" 2>/dev/null || true
    wait "$quorel" 2>/dev/null || true
}

# sample ROUND CASE NAME=PID...: CPU nanoseconds and runs (times put on a CPU, which a loaded
# machine inflates far less than the time) of every thread of each process over the window, from
# schedstat. Threads are read each second and keep their last reading, so one that ends within
# the window (Qt's pooled threads leave after 30 s idle) still counts. Appends
# "round case name ns runs elapsed-s rss-kB pss-kB" to results.
sample() {
    python3 - "$seconds" "$@" >>"$work/results" <<'PY'
import os, sys, time
seconds, round_, case = float(sys.argv[1]), sys.argv[2], sys.argv[3]
procs = [arg.split("=") for arg in sys.argv[4:]]

def threads(pid):
    read = {}
    for tid in os.listdir(f"/proc/{pid}/task"):
        try:
            ns, _, runs = map(int, open(f"/proc/{pid}/task/{tid}/schedstat").read().split())
            read[tid] = (ns, runs)
        except OSError:
            pass  # ended since the listing
    return read

first = {name: threads(pid) for name, pid in procs}
last = {name: dict(read) for name, read in first.items()}
begin = time.monotonic()
while (left := begin + seconds - time.monotonic()) > 0:
    time.sleep(min(1.0, left))
    for name, pid in procs:
        last[name].update(threads(pid))
elapsed = time.monotonic() - begin

def field(path, key):
    for line in open(path):
        if line.startswith(key):
            return int(line.split()[1])

for name, pid in procs:
    ns, runs = (sum(v[i] - first[name].get(tid, (0, 0))[i] for tid, v in last[name].items())
                for i in (0, 1))
    print(round_, case, name, ns, runs, f"{elapsed:.3f}",
          field(f"/proc/{pid}/status", "VmRSS:"), field(f"/proc/{pid}/smaps_rollup", "Pss:"))
PY
}

declare -A title=([idle]="idle in the tray" [focus]="focus running, guard beating"
                  [rain]="playing Soft Rain")
read -ra cases <<<"${CASES:-idle focus rain}"
echo "$rounds rounds of $seconds s per case; the app and rsibreak read over the same seconds"
for round in $(seq "$rounds"); do
    for i in "${!cases[@]}"; do
        which=${cases[$(((round - 1 + i) % ${#cases[@]}))]}
        startQuorel "$which"
        measured=(quorel="$quorel" rsibreak="$peer")
        if [ "$which" = rain ]; then
            paplay "$work/reference.wav" 2>>"$work/paplay.log" &
            player=$!
            pids+=("$player")
            sleep 1  # the stream's set-up
            measured+=(paplay="$player")
        fi
        sample "$round" "$which" "${measured[@]}"
        kill -0 "$quorel" 2>/dev/null || fail "the app exited during the window ($which)"
        kill -0 "$peer" 2>/dev/null || fail "rsibreak exited during the window ($which)"
        shown=$(peerWindows)
        [ -z "$shown" ] || echo "note: rsibreak showed a window ($shown) in round $round, $which"
        if [ "$which" = rain ]; then
            kill -0 "$player" 2>/dev/null || fail "paplay ended before the window did"
            kill "$player"
            wait "$player" 2>/dev/null || true
        fi
        stopQuorel
        awk -v r="$round" -v c="$which" -v t="${title[$which]}" '$1 == r && $2 == c {
                printf "%s%s %.3f %% (%.1f runs/s)", (n++ ? ", " : "round " r ", " t ": "), $3, 100 * $4 / 1e9 / $6, $5 / $6
            } END {print ""}' "$work/results"
    done
done

python3 - "$work/results" "$rounds" "$seconds" <<'PY'
import collections, statistics, sys
share = collections.defaultdict(list)   # (case, name) -> % of a core, one per round
runs = collections.defaultdict(list)    # (case, name) -> thread runs per second, one per round
ratio = collections.defaultdict(list)   # (case, name) -> the app's share / name's, one per round
memory = collections.defaultdict(list)  # (case, name) -> (rss, pss) in kB
rows = collections.defaultdict(dict)
for line in open(sys.argv[1]):
    round_, case, name, ns, count, elapsed, rss, pss = line.split()
    rows[(round_, case)][name] = 100 * int(ns) / 1e9 / float(elapsed)
    share[(case, name)].append(rows[(round_, case)][name])
    runs[(case, name)].append(int(count) / float(elapsed))
    memory[(case, name)].append((int(rss), int(pss)))
for (round_, case), r in rows.items():
    for name in ("rsibreak", "paplay"):
        if name in r:
            ratio[(case, name)].append(r["quorel"] / r[name])
med = statistics.median
titles = {"idle": "idle in the tray", "focus": "focus running, guard beating",
          "rain": "playing Soft Rain"}
titles = {case: t for case, t in titles.items() if share[(case, "quorel")]}  # the cases run
print(f"\n% of one core over {sys.argv[2]} rounds of {sys.argv[3]} s, medians; the ratio is the "
      "median of each round's Quorel/rsibreak")
print(f"{'case':<29} | {'Quorel %':>8} | {'rsibreak %':>10} | {'ratio':>6}")
for case, t in titles.items():
    print(f"{t:<29} | {med(share[(case, 'quorel')]):>8.3f} | {med(share[(case, 'rsibreak')]):>10.3f}"
          f" | {med(ratio[(case, 'rsibreak')]):>6.2f}")
if share[("rain", "paplay")]:
    print(f"reference: paplay of a 48 kHz stereo float WAV into the same sink, same windows: "
          f"{med(share[('rain', 'paplay')]):.3f} %; Quorel/paplay {med(ratio[('rain', 'paplay')]):.2f}")
print("threads put on a CPU per second, medians (load-proof where the time is not):")
for case, t in titles.items():
    extra = f", paplay {med(runs[(case, 'paplay')]):.1f}" if runs[(case, "paplay")] else ""
    print(f"  {t:<29} Quorel {med(runs[(case, 'quorel')]):6.1f}, "
          f"rsibreak {med(runs[(case, 'rsibreak')]):.1f}{extra}")
# PSS splits each shared page among the processes mapping it, so it moves with what else runs
# (another Qt 6 program on the machine lowers the app's); RSS does not.
print("resident memory, main window closed, median at the ends of the windows (MB):")
def mb(case, name):
    rss, pss = zip(*memory[(case, name)])
    return f"RSS {med(rss) / 1024:6.1f}, PSS {med(pss) / 1024:6.1f}"
for case, t in titles.items():
    print(f"  Quorel {t:<29} {mb(case, 'quorel')}")
memory[("all", "rsibreak")] = [m for (c, n), ms in list(memory.items()) if n == "rsibreak" for m in ms]
print(f"  rsibreak {'(every window)':<27} {mb('all', 'rsibreak')}")
if memory[("rain", "paplay")]:
    print(f"  paplay {'(Soft Rain windows)':<29} {mb('rain', 'paplay')}")
PY
