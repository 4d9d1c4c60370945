#!/usr/bin/env bash
# Measures the bridge of the release app against nginx serving the same bytes on loopback, both
# with one connection per request, and prints requests/s and p99 latency side by side.
#
#   scripts/bench-bridge.sh [APP]     (default build/release/src/app/quorel)
#
# The app runs on a headless desktop with a throw-away home whose saved document has a schedule
# open now, so a focus countdown runs (its timers tick) while wrk hammers the bridge. nginx runs
# one worker, as the bridge runs on one thread. ROUNDS (default 3) alternating rounds of
# DURATION (default 10s) each: wrk -t2 -c$CONNECTIONS (default 16) -H 'Connection: close' --latency.
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
python3 "$here/focus-document.py" "$XDG_CONFIG_HOME/quorel/Quorel.PersistedState.v1.json" \
    --hours 2 --blocked-sites reddit.com,news.ycombinator.com,youtube.com

QUOREL_BRIDGE_PORT=$bridgePort QT_QUICK_BACKEND=software "$app" >"$work/app.log" 2>&1 &
pids+=($!)
running() { curl -s --max-time 2 "http://127.0.0.1:$bridgePort/" | grep -q '"isRunning":true'; }
waitUntil 60 running || fail "the app's bridge never reported a running focus session"
curl -s "http://127.0.0.1:$bridgePort/" >"$work/body.json"

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
pids+=($!)
waitUntil 10 curl -s -o /dev/null "http://127.0.0.1:$nginxPort/" || fail "nginx did not come up"

echo "bridge:"; curl -si "http://127.0.0.1:$bridgePort/"; echo
echo "nginx:"; curl -si "http://127.0.0.1:$nginxPort/"; echo

# measure PORT NAME ROUND: one wrk run; appends "name rps p99-ms errors" to results.
measure() {
    wrk -t"$threads" -c"$connections" -d"$duration" -H 'Connection: close' --latency "http://127.0.0.1:$1/" \
        >"$work/wrk-$2-$3.txt"
    python3 - "$work/wrk-$2-$3.txt" "$2" >>"$work/results" <<'PY'
import re, sys
text = open(sys.argv[1]).read()
rps = float(re.search(r"Requests/sec:\s+([\d.]+)", text).group(1))
value, unit = re.search(r"^\s+99%\s+([\d.]+)(us|ms|s)\s*$", text, re.M).groups()
p99 = float(value) * {"us": 0.001, "ms": 1, "s": 1000}[unit]
errors = sum(int(n) for n in re.findall(r"(?:connect|read|write|timeout) (\d+)", text))
errors += int((re.search(r"Non-2xx or 3xx responses: (\d+)", text) or [0, 0])[1])
print(sys.argv[2], rps, p99, errors)
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
runs = {name: [(float(r), float(p), int(e)) for n, r, p, e in rows if n == name]
        for name in ("bridge", "nginx")}
print(f"wrk -c{sys.argv[4]} -d{sys.argv[3]} -H 'Connection: close', {sys.argv[2]} alternating rounds")
print(f"{'round':>5} {'bridge req/s':>13} {'nginx req/s':>12} {'bridge p99':>11} {'nginx p99':>10}")
for i, (b, n) in enumerate(zip(runs["bridge"], runs["nginx"]), 1):
    print(f"{i:>5} {b[0]:>13.0f} {n[0]:>12.0f} {b[1]:>9.2f}ms {n[1]:>8.2f}ms")
med = {k: (statistics.median(r for r, _, _ in v), statistics.median(p for _, p, _ in v))
       for k, v in runs.items()}
print(f"{'median':>5} {med['bridge'][0]:>13.0f} {med['nginx'][0]:>12.0f} "
      f"{med['bridge'][1]:>9.2f}ms {med['nginx'][1]:>8.2f}ms")
print(f"bridge/nginx: {med['bridge'][0] / med['nginx'][0]:.0%} of the requests/s, "
      f"p99 {med['bridge'][1] / med['nginx'][1]:.2f}x")
errors = {k: sum(e for _, _, e in v) for k, v in runs.items()}
if any(errors.values()):
    print(f"socket errors or non-200 answers: {errors}")
PY
