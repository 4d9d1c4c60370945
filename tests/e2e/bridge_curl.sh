#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later
# The real app's bridge (run inside scripts/with-desktop.sh), spoken to with curl and raw
# sockets: the exact status line and headers, Content-Length equal to the body's bytes, OPTIONS
# and POST answered like GET, our extension's origin echoed and another extension's or a web
# page's not, a foreign Host refused, another user account refused (as root: curl run as nobody),
# a one-word request line, the page for /blockedanything, a silent connection answered after
# about 5 s, ::1 where the machine has it, and nothing on any other address of the machine.
set -euo pipefail
app=$1
readonly patience=60  # seconds, for the app to come up
source "$(dirname "$0")/../../scripts/throwaway-home.sh"

# A port of our own, so tests running side by side never answer each other.
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
QUOREL_BRIDGE_PORT=$port QT_QUICK_BACKEND=software "$app" >"$work/app.log" 2>&1 &
app_pid=$!
pids+=("$app_pid")
base=http://127.0.0.1:$port
up() {
    kill -0 "$app_pid" 2>/dev/null || fail "the app exited"
    curl -s -o /dev/null --max-time 2 "$base/"
}
waitUntil "$patience" up || fail "no bridge on port $port within ${patience}s"

# check FILE status|page [ORIGIN]: the exact head of the response and a body of the announced
# length; ORIGIN is the one the status must be shared with.
check() {
    python3 - "$@" <<'PY'
import json, sys
data = open(sys.argv[1], "rb").read()
kind = sys.argv[2]
head, blank, body = data.partition(b"\r\n\r\n")
if not blank:
    sys.exit(f"{kind}: no end of head in {data[:300]!r}")
if kind == "status":
    shared = [b"Access-Control-Allow-Origin: " + sys.argv[3].encode(), b"Vary: Origin"] \
        if len(sys.argv) > 3 else []
    want = [b"HTTP/1.1 200 OK", b"Content-Type: application/json", *shared,
            b"Content-Length: %d" % len(body), b"Connection: close"]
else:
    want = [b"HTTP/1.1 200 OK", b"Content-Type: text/html; charset=utf-8",
            b"Content-Length: %d" % len(body), b"Connection: close"]
if head.split(b"\r\n") != want:
    sys.exit(f"{kind}: head {head!r}, expected {b'|'.join(want)!r}")
if kind == "status":
    keys = {"isRunning", "isBreak", "strictMode", "remainingSeconds", "blockYouTubeShorts",
            "blockInstagramReels", "blockAdultSites", "blockedSites"}
    doc = json.loads(body)
    if set(doc) != keys or b"\n" in body:
        sys.exit(f"status: body {body!r}")
elif b"<title>Blocked by Quorel</title>" not in body:
    sys.exit(f"page: body {body[:300]!r}")
PY
}
# raw FORMAT [SECONDS]: sends printf FORMAT on a plain socket, keeps it open, prints the answer.
raw() {
    # shellcheck disable=SC2016  # expanded by the inner shell
    timeout "${2:-10}" bash -c 'exec 3<>"/dev/tcp/127.0.0.1/$0"; printf "$1" >&3; cat <&3' \
        "$port" "$1"
}
body() { python3 -c 'import sys; print(open(sys.argv[1], "rb").read().partition(b"\r\n\r\n")[2].decode())' "$1"; }

curl -si --http1.1 "$base/" -o "$work/get" || fail "GET / failed"
check "$work/get" status || fail "GET /"
# Our extension's id in Chromium follows from the key in its manifest.
ours=chrome-extension://$(python3 - "$(dirname "$0")/../../extension/manifest.json" <<'PY'
import base64, hashlib, json, sys
key = base64.b64decode(json.load(open(sys.argv[1]))["key"])
print("".join(chr(ord("a") + int(c, 16)) for c in hashlib.sha256(key).hexdigest()[:32]))
PY
)
curl -si --http1.1 -X OPTIONS -H "Origin: $ours" "$base/" -o "$work/options" || fail "OPTIONS failed"
check "$work/options" status "$ours" || fail "OPTIONS / from our extension"
curl -si --http1.1 -d 'a=1' "$base/" -o "$work/post" || fail "POST failed"
check "$work/post" status || fail "POST /"
{ [ "$(body "$work/get")" = "$(body "$work/options")" ] && [ "$(body "$work/get")" = "$(body "$work/post")" ]; } ||
    fail "OPTIONS or POST answered differently from GET"
echo "status: $(body "$work/get")"

# A web page or another extension never reads the status: not across origins, not under a name
# rebound to us.
for origin in https://evil.example chrome-extension://aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa \
    moz-extension://0c1f2a3b-4d5e-6f70-8192-a3b4c5d6e7f8; do
    curl -si --http1.1 -H "Origin: $origin" "$base/" -o "$work/web" || fail "origin $origin failed"
    check "$work/web" status || fail "$origin was let read the status"
done
curl -si --http1.1 -H "Host: evil.example:$port" "$base/" -o "$work/rebound" || fail "foreign Host failed"
{ head -n1 "$work/rebound" | grep -q '^HTTP/1.1 403 Forbidden' && ! grep -q isRunning "$work/rebound"; } ||
    fail "a foreign Host was answered with the status: $(head -c 300 "$work/rebound")"
echo "web origins and foreign Hosts: refused"

# Another account on this machine: a bare 403 for every path, one line in the log however many.
if [ "$(id -u)" -eq 0 ] && command -v runuser >/dev/null; then
    for path in / "/blocked?site=a.com" /; do
        runuser -u nobody -- env HOME=/ curl -si --http1.1 "$base$path" >"$work/foreign" ||
            fail "another account's request failed"
        printf 'HTTP/1.1 403 Forbidden\r\nContent-Length: 0\r\nConnection: close\r\n\r\n' |
            cmp -s - "$work/foreign" || fail "another account got: $(head -c 300 "$work/foreign")"
    done
    refusals=$(grep -c 'refuses connections from user' "$work/app.log" || true)
    [ "$refusals" -eq 1 ] || fail "the refusals took $refusals lines of the log, not one"
    curl -si --http1.1 "$base/" -o "$work/own" || fail "GET / failed after another account's"
    check "$work/own" status || fail "this user is not answered after another was refused"
    echo "another account: refused"
else
    echo "another account: skipped, not root"
fi

raw 'HELLO\r\n\r\n' >"$work/oneword" || fail "one-word request: no answer"
check "$work/oneword" status || fail "one-word request line"

curl -si --http1.1 "$base/blockedanything" -o "$work/anything" || fail "/blockedanything failed"
check "$work/anything" page || fail "/blockedanything"
curl -si --http1.1 "$base/blocked?site=b%C3%BCcher.de" -o "$work/page" || fail "/blocked failed"
check "$work/page" page || fail "/blocked?site="
grep -q 'bücher.de</span> is blocked while you focus.' "$work/page" || fail "the page does not name the site"
curl -si --http1.1 "$base/blocked?site=%3Cscript%3E" -o "$work/hostile" || fail "hostile site failed"
{ grep -q '>This site is blocked while you focus.<' "$work/hostile" && ! grep -qi 'script&gt;\|<script' "$work/hostile"; } ||
    fail "the page repeats what is not a site name"
echo "page: ok"

start=$SECONDS
raw '' 15 >"$work/silent" || fail "a silent connection was not answered within 15 s"
waited=$((SECONDS - start))
check "$work/silent" status || fail "silent connection"
{ [ "$waited" -ge 4 ] && [ "$waited" -le 8 ]; } || fail "a silent connection was answered after ${waited}s, not about 5"
echo "silent connection answered after ${waited}s"

if python3 -c 'import socket; socket.socket(socket.AF_INET6).bind(("::1", 0))' 2>/dev/null; then
    curl -si --http1.1 -g "http://[::1]:$port/" -o "$work/ipv6" || fail "nothing on ::1"
    check "$work/ipv6" status || fail "GET / over ::1"
    echo "::1: ok"
else
    echo "::1: skipped, no IPv6 loopback here"
fi

others=$(hostname -I 2>/dev/null || true)
[ -n "${others// /}" ] || echo "other addresses: skipped, the machine has none"
for address in $others; do
    [[ $address == *:* ]] && url="http://[$address]:$port/" || url="http://$address:$port/"
    if curl -s -g -o /dev/null --max-time 3 "$url"; then
        fail "the bridge answers on $address"
    fi
    echo "not reachable on $address"
done
kill -0 "$app_pid" 2>/dev/null || fail "the app exited"
