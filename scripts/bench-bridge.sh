#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Measures the bridge of the release app against nginx serving the same bytes on loopback, both
# with one connection per request, and prints requests/s, p99 latency and the server's CPU time
# per request side by side.
#
#   scripts/bench-bridge.sh [APP]     (default build/release/src/app/quorel)
#
# The app runs on a headless desktop with a throw-away home whose saved document has a schedule
# open now, so a focus countdown runs (its timers tick) while wrk hammers the bridge. nginx runs
# one worker, as the bridge runs on one thread. ROUNDS (default 3) alternating rounds of
# DURATION (default 10s) each: wrk -t2 -c$CONNECTIONS (default 16) -H 'Connection: close' --latency.
# CPU per request: schedstat over the round of the bridge's own thread (found by its name; the
# whole app beside it), and of nginx's master and worker, divided by the requests wrk completed;
# the bridge's and nginx's figures are taken in different rounds, so they are medians.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "${BENCH_BRIDGE_DESKTOP:-}" ]; then
    exec env BENCH_BRIDGE_DESKTOP=1 "$here/with-desktop.sh" "$0" "$@"
fi
app=$(realpath "${1:-$here/../build/release/src/app/quorel}")
rounds=${ROUNDS:-3}
duration=${DURATION:-10s}
connections=${CONNECTIONS:-16}
threads=$((connections < 2 ? connections : 2))
for tool in "$app" nginx wrk curl; do
    command -v "$tool" >/dev/null || { echo "bench-bridge: $tool is missing (make build; make deps)"; exit 1; }
done
source "$here/throwaway-home.sh"

freePort() { python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
bridgePort=$(freePort)
nginxPort=$(freePort)

# A schedule open from a minute ago for two hours: focus starts on the first tick.
python3 "$here/saved-document.py" --schedule-open 2 \
    --blocked-sites reddit.com,news.ycombinator.com,youtube.com

QUOREL_BRIDGE_PORT=$bridgePort QT_QUICK_BACKEND=software "$app" >"$work/app.log" 2>&1 &
appPid=$!
pids+=("$appPid")
running() { curl -s --max-time 2 "http://127.0.0.1:$bridgePort/" | grep -q '"isRunning":true'; }
waitUntil 60 running || fail "the app's bridge never reported a running focus session"
curl -s "http://127.0.0.1:$bridgePort/" >"$work/body.json"
# The kernel keeps 15 characters of a thread's name: "com.quorel.bridge" reads "com.quorel.brid".
bridgeThread=$(grep -lx 'com.quorel.brid' /proc/"$appPid"/task/*/comm | head -n1) ||
    fail "no thread of the app is named com.quorel.brid[ge]"
bridgeThread=$(dirname "$bridgeThread")

# nginx in a prefix of its own, answering with the status body and the bridge's headers (it adds
# Server and Date, and cannot be kept from it).
mkdir -p "$work/nginx/logs"
body=$(sed "s/'/\\\\'/g" "$work/body.json")
cat >"$work/nginx/nginx.conf" <<CONF
worker_processes 1;
daemon off;
pid $work/nginx/nginx.pid;
error_log $work/nginx/logs/error.log warn;
events { worker_connections 1024; }
http {
    access_log off;
    server_tokens off;
    keepalive_timeout 0;
    client_body_temp_path $work/nginx/body;
    proxy_temp_path $work/nginx/proxy;
    fastcgi_temp_path $work/nginx/fastcgi;
    uwsgi_temp_path $work/nginx/uwsgi;
    scgi_temp_path $work/nginx/scgi;
    server {
        listen 127.0.0.1:$nginxPort;
        location / {
            default_type application/json;
            return 200 '$body';
        }
    }
}
CONF
nginx -p "$work/nginx" -e "$work/nginx/logs/error.log" -c "$work/nginx/nginx.conf" &
nginxPid=$!
pids+=("$nginxPid")
waitUntil 10 curl -s -o /dev/null "http://127.0.0.1:$nginxPort/" || fail "nginx did not come up"
# The master and its worker (the one that answers).
read -r -a nginxPids <<<"$nginxPid $(cat /proc/"$nginxPid"/task/*/children)"

echo "bridge:"; curl -si "http://127.0.0.1:$bridgePort/"; echo
echo "nginx:"; curl -si "http://127.0.0.1:$nginxPort/"; echo

# threadNs NAME: "tid ns" for each thread of the server (the app, or nginx's master and worker):
# nanoseconds on a CPU so far, from schedstat.
threadNs() {
    local pid tasks=() task
    if [ "$1" = bridge ]; then tasks=(/proc/"$appPid"/task/*); else
        for pid in "${nginxPids[@]}"; do tasks+=(/proc/"$pid"/task/*); done
    fi
    for task in "${tasks[@]}"; do
        echo "${task##*/} $(cut -d' ' -f1 "$task/schedstat" 2>/dev/null)"
    done
}

# measure PORT NAME ROUND: one wrk run; appends "name rps p99-ms errors requests server-ns app-ns"
# to results: the CPU taken over the run by the bridge's thread and by the whole app (for nginx,
# both are its master and worker).
measure() {
    threadNs "$2" >"$work/before"
    wrk -t"$threads" -c"$connections" -d"$duration" -H 'Connection: close' --latency "http://127.0.0.1:$1/" \
        >"$work/wrk-$2-$3.txt"
    threadNs "$2" >"$work/after"
    python3 - "$work/wrk-$2-$3.txt" "$2" "$work/before" "$work/after" "${bridgeThread##*/}" \
        >>"$work/results" <<'PY'
import re, sys
text = open(sys.argv[1]).read()
rps = float(re.search(r"Requests/sec:\s+([\d.]+)", text).group(1))
value, unit = re.search(r"^\s+99%\s+([\d.]+)(us|ms|s)\s*$", text, re.M).groups()
p99 = float(value) * {"us": 0.001, "ms": 1, "s": 1000}[unit]
errors = sum(int(n) for n in re.findall(r"(?:connect|read|write|timeout) (\d+)", text))
errors += int((re.search(r"Non-2xx or 3xx responses: (\d+)", text) or [0, 0])[1])
requests = int(re.search(r"(\d+) requests in", text).group(1))
before, after = ({parts[0]: int(parts[1]) for parts in map(str.split, open(f)) if len(parts) == 2}
                 for f in sys.argv[3:5])
# A thread born in the round counts whole; one that ended in it is lost, but Qt's pooled threads
# end only after 30 s idle.
spent = {tid: ns - before.get(tid, 0) for tid, ns in after.items()}
total = sum(spent.values())
server = spent[sys.argv[5]] if sys.argv[2] == "bridge" else total
print(sys.argv[2], rps, p99, errors, requests, server, total)
PY
}
for round in $(seq "$rounds"); do
    measure "$bridgePort" bridge "$round"
    measure "$nginxPort" nginx "$round"
done
kill -0 "${pids[0]}" || fail "the app exited during the benchmark"

python3 - "$work/results" "$rounds" "$duration" "$connections" <<'PY'
import statistics, sys
rows = [line.split() for line in open(sys.argv[1])]
# (req/s, p99 ms, errors, server µs per request, whole app µs per request)
runs = {name: [(float(r), float(p), int(e), int(s) / 1e3 / int(q), int(a) / 1e3 / int(q))
               for n, r, p, e, q, s, a in rows if n == name]
        for name in ("bridge", "nginx")}
print(f"wrk -c{sys.argv[4]} -d{sys.argv[3]} -H 'Connection: close', {sys.argv[2]} alternating rounds")
print(f"{'round':>5} {'bridge req/s':>13} {'nginx req/s':>12} {'bridge p99':>11} {'nginx p99':>10}"
      f" {'bridge us/req':>14} {'nginx us/req':>13}")
for i, (b, n) in enumerate(zip(runs["bridge"], runs["nginx"]), 1):
    print(f"{i:>5} {b[0]:>13.0f} {n[0]:>12.0f} {b[1]:>9.2f}ms {n[1]:>8.2f}ms {b[3]:>14.1f} {n[3]:>13.1f}"
          f"   (whole app {b[4]:.1f})")
med = {k: [statistics.median(run[i] for run in v) for i in range(5)] for k, v in runs.items()}
print(f"{'median':>5} {med['bridge'][0]:>13.0f} {med['nginx'][0]:>12.0f} "
      f"{med['bridge'][1]:>9.2f}ms {med['nginx'][1]:>8.2f}ms {med['bridge'][3]:>14.1f} {med['nginx'][3]:>13.1f}")
print(f"bridge/nginx: {med['bridge'][0] / med['nginx'][0]:.0%} of the requests/s, "
      f"p99 {med['bridge'][1] / med['nginx'][1]:.2f}x, "
      f"CPU per request {med['bridge'][3] / med['nginx'][3]:.2f}x")
print(f"CPU per request: the bridge's thread {med['bridge'][3]:.1f} us, the whole app "
      f"{med['bridge'][4]:.1f} us; nginx's master and worker {med['nginx'][3]:.1f} us")
errors = {k: sum(run[2] for run in v) for k, v in runs.items()}
if any(errors.values()):
    print(f"socket errors or non-200 answers: {errors}")
PY
