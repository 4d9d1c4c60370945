#!/usr/bin/env bash
# The browser guard through the Quorel extension, against a real browser (run inside
# scripts/with-desktop.sh):
#   browser_extension.sh chromium|firefox APP
# The app installs the host manifest, the browser starts the host for the extension, the app
# hears the front tab. Outside focus the blocked example.org stays; a Shorts page goes to
# YouTube's home page and an adult site to the blocked page at any time. "Start Focus" (pressed
# over AT-SPI), and example.org goes to the blocked page, which shows. Quorel restarted is found
# again by the host the browser kept.
set -euo pipefail
browser=$1
app=$2
here=$(cd "$(dirname "$0")" && pwd)

source "$here/../../scripts/a11y-session.sh"
source "$here/../../scripts/throwaway-home.sh"
source "$here/browser_session.sh"

browserSession "$browser" "$app"
blocked="http://127.0.0.1:$bridgePort/blocked?site="

notBlocked() { ! frontIs "$blocked"; }

openAddress "https://example.org/outside-focus"
waitUntil 20 frontIs "https://example.org/outside-focus" complete ||
    fail "example.org did not load in $browser (front: $(frontUrl))"
[ "$(frontTitle)" = "Test page example.org/outside-focus" ] ||
    fail "the test page did not show (title: $(frontTitle)): certificate or proxy not taken"
stays 3 notBlocked || fail "outside focus, example.org was sent to the blocked page"

openAddress "https://www.youtube.com/shorts/abc123"
waitUntil 10 frontEquals "https://www.youtube.com/" complete ||
    fail "the Shorts page was not sent to YouTube's home page (front: $(frontUrl))"

openAddress "https://www.pornhub.com/"
waitUntil 10 frontIs "${blocked}pornhub.com" complete || fail "adult site not blocked (front: $(frontUrl))"
[ "$(frontTitle)" = "Blocked by Quorel" ] || fail "the blocked page did not show (title: $(frontTitle))"

/usr/bin/python3 "$here/quorel_atspi.py" "Start Focus" || fail "could not start focus"
openAddress "https://example.org/in-focus"
waitUntil 10 frontIs "${blocked}example.org" complete || fail "in focus, example.org was not blocked (front: $(frontUrl))"
[ "$(frontTitle)" = "Blocked by Quorel" ] || fail "the blocked page did not show (title: $(frontTitle))"

# Quorel restarted: the host the browser keeps finds the new one by itself and tells it the tab.
kill "$appPid"
wait "$appPid" 2>/dev/null || true
startApp "$app"
hellos() { [ "$(grep -c "browser link from $browser (" "$work/app.log")" -ge 2 ]; }
waitUntil 20 hellos || fail "the $browser host did not reach the restarted app"
openAddress "https://example.net/after-restart"
waitUntil 10 frontIs "https://example.net/after-restart" complete ||
    fail "the restarted app does not hear the front tab (front: $(frontUrl))"
echo "$browser: extension link ok: outside focus, Shorts, adult site, focus and a restarted app as expected"
