#!/usr/bin/env bash
# The DevTools backend against a real headless Chromium on a profile of its own, through cdp_probe
# (the backend on the engine's browser thread): reads the front tab's address, loads another page
# in that tab and reads it again. A family without a debugging port, and Firefox, are refused.
set -euo pipefail
probe=$1
source "$(dirname "$0")/../../scripts/throwaway-home.sh"

mkdir -p "$work/site"
printf '<title>first</title>first\n' >"$work/site/first.html"
printf '<title>second</title>second\n' >"$work/site/second.html"
python3 -u -m http.server --bind 127.0.0.1 --directory "$work/site" 0 >"$work/http.log" 2>&1 &
pids+=($!)
serving() { grep -q ' port [0-9]' "$work/http.log"; }
waitUntil 10 serving || fail "the page server did not start"
site=http://127.0.0.1:$(sed -n 's/.* port \([0-9]*\) .*/\1/p' "$work/http.log" | head -n1)

# In a process group of its own, so that all of its processes can be stopped before the profile
# folder is removed.
setsid chromium --headless=new --remote-debugging-port=0 --user-data-dir="$work/profile" --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync --no-sandbox \
    --disable-gpu "$site/first.html" >"$work/chromium.log" 2>&1 &
browserGroup=$!
pids+=("$browserGroup")
# Zombies left for init to reap write nothing.
browserGone() { ! ps -eo pgid=,stat= | awk -v g="$browserGroup" '$1 == g && $2 !~ /^Z/' | grep -q .; }
stopBrowser() {
    kill -- -"$browserGroup" 2>/dev/null || true
    wait "$browserGroup" 2>/dev/null || true
    waitUntil 15 browserGone || echo "Chromium still running after 15 s"
}
trap 'stopBrowser; cleanup' EXIT

browser="Chromium Web Browser"
reads() { [ "$("$probe" read "$browser")" = "ok $1" ]; }
waitUntil 60 reads "$site/first.html" || fail "front tab not read: $("$probe" read "$browser")"

"$probe" redirect "$browser" "$site/second.html" >"$work/redirect.log" ||
    fail "redirect answered $(cat "$work/redirect.log")"
waitUntil 10 reads "$site/second.html" || fail "front tab after redirect: $("$probe" read "$browser")"
grep -q '"GET /second.html' "$work/http.log" || fail "the browser never asked for the second page"

for other in "Google Chrome" "Firefox ESR"; do
    answer=$("$probe" read "$other" || true)
    [ "$answer" = refused ] || fail "$other answered $answer instead of refused"
done
echo "DevTools backend ok: read $site/first.html, redirected to and read $site/second.html"
