#!/usr/bin/env bash
# The DevTools link against a real headless Chromium, through cdp_probe (the link on the engine's
# browser thread): reads the front tab's address, loads another page in that tab and reads it
# again. A family without a debugging port, and Firefox, are refused.
set -euo pipefail
probe=$1
here=$(dirname "$0")
source "$here/../../scripts/throwaway-home.sh"
source "$here/browser_cdp_chromium.sh"

mkdir -p "$work/site"
printf '<title>first</title>first\n' >"$work/site/first.html"
printf '<title>second</title>second\n' >"$work/site/second.html"
startPageServer
startChromium "$site/first.html"

browser=chromium
reads() { [ "$("$probe" read "$browser")" = "ok $1" ]; }
waitUntil 60 reads "$site/first.html" || fail "front tab not read: $("$probe" read "$browser")"

"$probe" redirect "$browser" "$site/second.html" >"$work/redirect.log" ||
    fail "redirect answered $(cat "$work/redirect.log")"
waitUntil 10 reads "$site/second.html" || fail "front tab after redirect: $("$probe" read "$browser")"
grep -q '"GET /second.html' "$work/http.log" || fail "the browser never asked for the second page"

for other in chrome firefox; do
    answer=$("$probe" read "$other" || true)
    [ "$answer" = refused ] || fail "$other answered $answer instead of refused"
done
echo "DevTools link ok: read $site/first.html, redirected to and read $site/second.html"
