#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later
# The DevTools link against a real headless Chromium, through cdp_probe (the link on the engine's
# browser thread): reads the front tab's address, loads another page in that tab and reads it
# again, and shows the blocked page that carries itself. A family without a debugging port, and
# Firefox, are refused. Then the same in an incognito window.
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

# Without a bridge of ours, the blocked page travels in its own address.
"$probe" block "$browser" "example.org" >"$work/block.log" || fail "block answered $(cat "$work/block.log")"
ownPage() { "$probe" read "$browser" | grep -q '^ok data:text/html;charset=utf-8;base64,'; }
waitUntil 10 ownPage || fail "front tab after block: $("$probe" read "$browser" | cut -c1-80)"

# A private (incognito) window is read and redirected alike.
stopChromium
rm -rf "$work/profile"
startChromium "$site/first.html" --incognito
waitUntil 60 reads "$site/first.html" || fail "incognito tab not read: $("$probe" read "$browser")"
"$probe" redirect "$browser" "$site/second.html" >"$work/redirect.log" ||
    fail "incognito redirect answered $(cat "$work/redirect.log")"
waitUntil 10 reads "$site/second.html" || fail "incognito tab after redirect: $("$probe" read "$browser")"
echo "DevTools link ok: read $site/first.html, redirected to and read $site/second.html, its own" \
    "blocked page, and the same in an incognito window"
