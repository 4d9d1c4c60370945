#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later
# The browser guard through the Quorel extension, against a real browser (run inside
# scripts/with-desktop.sh), in whatever language LANG names:
#   browser_extension.sh chromium|firefox APP
# The app installs the host manifest, the browser starts the host for the extension, the app
# hears the front tab. Outside focus the blocked example.org stays; a Shorts page goes to
# YouTube's home page and an adult site to the blocked page at any time. "Start Focus" (pressed
# over AT-SPI), and example.org goes to the blocked page, in a popup window too, and behind an
# address of over a megabyte. Without access to private windows, the Blockers screen says how to
# allow it, and (in Chromium) the other window's tab is not taken for the private one's. Quorel restarted is
# found again by the host the browser kept.
# The browser enforces the rules itself (in the C locale only; the others add nothing there): a
# blocked site is never fetched, typed, in a frame of an allowed page, in a background tab, nor
# while the app is stopped and its host killed; read from the test server's log.
# PRIVATE_ACCESS=1: the extension may see private windows, and a private tab is guarded.
# LIFECYCLE=1 (with FOCUS_RUNNING=1, MARIONETTE=1): with the app killed, the browser restarted
# still blocks, and its rules lift at the session's end; then the extension switched off in a
# new focus is noticed within 3 s and told on the shield.
# BRIDGE_PORT_HELD=1: another server holds the bridge's port; it never hears from us, the
# Blockers screen says why the bridge is off, and tabs go to the extension's own blocked page.
set -euo pipefail
browser=$1
app=$2
here=$(cd "$(dirname "$0")" && pwd)

source "$here/../../scripts/a11y-session.sh"
source "$here/../../scripts/throwaway-home.sh"
source "$here/browser_session.sh"

if [ "${LANG:-C}" != C ]; then
    locale -a | grep -qix "${LANG/UTF-8/utf8}" || fail "the locale $LANG is not generated"
    echo "$browser in $LANG: the menus call it" \
        "$(LC_ALL=$LANG python3 "$here/desktop_name.py" "$browser")"
fi
browserSession "$browser" "$app" ${LIFECYCLE:+60}
blocked=$ownPage
now() { date +%s%3N; }
atspi() { /usr/bin/python3 "$here/quorel_atspi.py" "$@"; }

if [ -n "${BRIDGE_PORT_HELD:-}" ]; then
    atspi "Start Focus" --open Blockers --wait-for "The local bridge is off: another program holds port $bridgePort. Blocked sites show Quorel's own page from the browser extension instead." ||
        fail "the Blockers screen does not say why the bridge is off"
    since=$(now)
    openAddress "https://example.org/port-held"
    waitUntil 10 reachedSince "$since" "${ownPage}example.org" ||
        fail "example.org did not go to the extension's own page (front: $(frontUrl))"
    titleIs() { [ "$(frontTitle)" = "$1" ]; }
    waitUntil 10 titleIs "Blocked by Quorel" || fail "the extension's page did not show (title: $(frontTitle))"
    ! grep -q '"GET\|"POST\|"HEAD' "$work/squatter.log" || fail "the server on the bridge's port heard from us"
    echo "$browser: bridge port held: tab sent to the extension's own page, the other server heard nothing"
    exit 0
fi

if [ -n "${PRIVATE_ACCESS:-}" ]; then
    openPrivateWindow
    since=$(now)
    openAddress "https://www.pornhub.com/private"
    waitUntil 15 reachedSince "$since" "${blocked}pornhub.com" ||
        fail "the private window's adult site was not blocked (front: $(frontUrl))"
    ! fetched www.pornhub.com/private || fail "the private window's adult site was fetched"
    echo "$browser: a private window's tab is guarded once the extension may see it"
    exit 0
fi

if [ -n "${LIFECYCLE:-}" ]; then
    titled() { case "$(windowTitle)" in "$1"*) ;; *) return 1 ;; esac; }
    sitesInForce() { local rules; rules=$(rulesApplied); [ "${rules:-0}" -gt 14 ]; }
    waitUntil 10 sitesInForce || fail "the browser's rules never took example.org"
    # When the app said the session's sites lift, in epoch ms.
    ends=$(grep -o "^browser-link: [0-9]* rules sites=1 .* until=[0-9]*" "$work/app.log" | tail -n1 |
        sed 's/.*until=//')
    # Quorel gone for good, and the browser restarted: its own rules still hold. Firefox writes
    # its rules to the profile a moment after it takes them, and a kill before that loses them.
    if [ "$browser" = firefox ]; then
        written() { [ -n "$(ls "$work/firefox-profile/extension-dnr")" ]; }
        waitUntil 20 written || fail "Firefox never wrote the rules to its profile"
    fi
    kill -KILL "$appPid"
    restartBrowser
    openAddress "https://example.org/browser-restarted"
    waitUntil 15 titled "Blocked by Quorel" ||
        fail "after a restart without Quorel, example.org was not blocked (title: $(windowTitle))"
    ! fetched example.org/browser-restarted || fail "after a restart without Quorel, example.org was fetched"
    # At the session's end they lift by themselves.
    [ "$(now)" -lt "$ends" ] || fail "the session ended before its rules were tried"
    while [ "$(now)" -le $((ends + 500)) ]; do sleep 0.1; done
    openAddress "https://example.org/session-over"
    waitUntil 10 titled "Test page example.org/session-over" ||
        fail "half a second after the session's end, its rules were still in force (title: $(windowTitle))"
    echo "$browser: without Quorel the rules held through a browser restart and lifted at the session's end"

    # A new focus: the extension switched off mid-way is noticed at once, and told once the
    # browser has stayed in front unguarded for the grace of 3 s.
    hellos=$(grep -c "browser link from $browser (" "$work/app.log" || true)
    applied=$(grep -c "^browser-link: [0-9]* $browser applied rules=15" "$work/app.log" || true)
    startApp "$app"
    linked() { [ "$(grep -c "browser link from $browser (" "$work/app.log")" -gt "$hellos" ]; }
    waitUntil 20 linked || fail "the restarted app heard no link"
    atspi "Start Focus" || fail "could not start focus"
    sitesTaken() { [ "$(grep -c "^browser-link: [0-9]* $browser applied rules=15" "$work/app.log")" -gt "$applied" ]; }
    waitUntil 5 sitesTaken || fail "focus started, yet the browser's rules did not take example.org"
    # The browser in front, over the app's own window, on a page the extension does not take
    # with it (Firefox closes the extension's own tabs as it goes).
    browserInFront() { activateBrowser; [ "$(xdotool getactivewindow 2>/dev/null)" = "$browserWindow" ]; }
    ordinaryPage() {
        waitUntil 10 browserInFront || fail "the browser does not come to the front"
        openAddress "https://example.net/before-switching-off"
        waitUntil 10 frontIs "https://example.net/before-switching-off" complete
    }
    # Once more, should the app's window have taken the keys as it came up.
    ordinaryPage || ordinaryPage || fail "example.net did not load (front: $(frontUrl))"
    waitUntil 10 browserInFront || fail "the browser does not come to the front"
    closings() { grep -c "browser link from $browser closed" "$work/app.log" || true; }
    closedBefore=$(closings)
    off=$(now)
    switchOffExtension
    linkClosed() { [ "$(closings)" -gt "$closedBefore" ]; }
    waitUntil 10 linkClosed || fail "the link's end went unnoticed"
    closed=$(now)
    case $browser in
        chromium) page=chrome://extensions ;;
        firefox) page=about:addons ;;
    esac
    notice="Quorel can't guard websites in ${browser^}: turn its extension back on in $page"
    # Read off the shield, which leaves the browser in front.
    atspi --wait-for "$notice" || fail "the shield does not say $browser is unguarded"
    echo "$browser: extension switched off: the link's end noticed after $((closed - off)) ms, told $(($(now) - off)) ms after"
    [ $((closed - off)) -lt 3000 ] || fail "the extension switched off was noticed only after $((closed - off)) ms"
    atspi --open Blockers --wait-for "${browser^}: Extension not enabled — enable Quorel in $page" ||
        fail "the Blockers screen's line for $browser does not say its extension is off"
    exit 0
fi

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

! fetched www.pornhub.com/ || fail "the adult site was fetched"
# It paints after it has loaded, so its word may come after the tab's.
waitUntil 5 grep -q "^browser-link: [0-9]* $browser shown at=[0-9]" "$work/app.log" ||
    fail "the blocked page did not tell when it showed"

outsideFocus=$(rulesApplied)
atspi "Start Focus" || fail "could not start focus"
withSite() { [ "$(rulesApplied)" -gt "${outsideFocus:-0}" ]; }
waitUntil 5 withSite || fail "the browser's rules did not take example.org within 5 s of focus"
# From the app's decision to the rules in force in the browser.
sent=$(grep "^browser-link: [0-9]* rules sites=1 " "$work/app.log" | tail -n1 | cut -d' ' -f2)
inForce=$(grep "^browser-link: [0-9]* $browser applied " "$work/app.log" | tail -n1 | cut -d' ' -f2)
[ $((inForce - sent)) -lt 1000 ] || fail "the rules took $((inForce - sent)) ms to reach the browser"
echo "$browser: rules in force $((inForce - sent)) ms after the app sent them"
openAddress "https://example.org/in-focus"
waitUntil 10 frontIs "${blocked}example.org" complete || fail "in focus, example.org was not blocked (front: $(frontUrl))"
[ "$(frontTitle)" = "Blocked by Quorel" ] || fail "the blocked page did not show (title: $(frontTitle))"
! fetched example.org/in-focus || fail "in focus, example.org was fetched before it was blocked"

language=${LANG:-C}
if [ "${language%%.*}" = C ]; then
    # Shorts however the path is written.
    openAddress "https://www.youtube.com//SHORTS/in-focus"
    waitUntil 10 frontEquals "https://www.youtube.com/" complete ||
        fail "//SHORTS did not go to YouTube's home page (front: $(frontUrl))"
    ! fetched www.youtube.com//SHORTS || fail "a Shorts page was fetched"

    # One character that browsers keep as typed, where a strict reading finds no host.
    for odd in 'odd?q={x}' 'odd/a%zz' 'odd?q=a^b' 'odd?q=a|b'; do
        since=$(now)
        openAddress "https://example.org/$odd"
        waitUntil 10 reachedSince "$since" "${blocked}example.org" ||
            fail "example.org/$odd was not blocked (front: $(frontUrl))"
        # Typed into a page still loading, the next address could be lost.
        waitUntil 10 frontIs "${blocked}example.org" complete ||
            fail "the blocked page did not finish loading (front: $(frontUrl))"
    done
    ! fetched example.org/odd || fail "an address with an odd character was fetched"

    # A frame of an allowed page.
    openAddress "https://example.net/frame?https://example.org/in-frame"
    waitUntil 10 frontIs "https://example.net/frame" complete || fail "the framing page did not load"
    sleep 1
    fetched example.net/frame || fail "the test server's log misses what it served"
    ! fetched example.org/in-frame || fail "example.org was fetched in a frame"

    # A background tab (ctrl+click), fetched never, and blocked when it comes to the front.
    openAddress "https://example.net/link?https://example.org/in-background"
    waitUntil 10 frontIs "https://example.net/link" complete || fail "the link page did not load"
    activateBrowser
    xdotool mousemove --window "$browserWindow" 600 450 keydown ctrl click 1 keyup ctrl
    sleep 1.5
    ! fetched example.org/in-background || fail "example.org was fetched in a background tab"
    since=$(now)
    xdotool key --clearmodifiers ctrl+Tab
    waitUntil 10 reachedSince "$since" "${blocked}example.org" ||
        fail "no background tab opened, or it was not blocked (front: $(frontUrl))"
    xdotool key --clearmodifiers ctrl+w

    # Quorel stopped, then its host killed as well: the browser still blocks by itself.
    applied() { grep -c "^browser-link: [0-9]* $browser applied " "$work/app.log"; }
    appliedBefore=$(applied)
    kill -STOP "$appPid"
    openAddress "https://example.org/while-stopped"
    sleep 1.5
    stopHost
    openAddress "https://example.org/host-killed"
    sleep 1.5
    kill -CONT "$appPid"
    # The extension comes back through a new host, and is given the rules again; what the app
    # hears meanwhile is logged before the next step begins.
    backAgain() { [ "$(applied)" -gt "$appliedBefore" ]; }
    waitUntil 15 backAgain || fail "the extension did not come back through a new host"
    sleep 0.5
    ! fetched example.org/while-stopped || fail "example.org was fetched while Quorel was stopped"
    ! fetched example.org/host-killed || fail "example.org was fetched with the host killed"
    echo "$browser: never fetched: typed, //SHORTS, odd characters, in a frame, in a background tab, Quorel stopped, host killed"
fi

# A popup window is guarded like an ordinary one.
since=$(now)
openAddress "https://example.net/open-popup?https://example.org/in-popup"
# The browser's rules may send it away before the popup ever tells its address.
waitUntil 15 reachedSince "$since" "${blocked}example.org" || fail "no popup opened, or its example.org was not blocked"
! fetched example.org/in-popup || fail "the popup's example.org was fetched"
xdotool key --clearmodifiers ctrl+w

# An address far over what one message to the app may carry is judged all the same. Firefox
# takes addresses up to 1 MiB, Chromium up to 2 MiB.
[ "$browser" = firefox ] && letters=1040000 || letters=1100000
since=$(now)
openAddress "https://example.net/jump?$letters&https://example.org/long?"
waitUntil 20 reachedSince "$since" "${blocked}example.org" ||
    fail "an address of $letters letters was not judged (front: $(frontUrl | cut -c1-200))"

# Without access to private windows: one line on the Blockers screen says how to allow it, and
# the other window's tab is not taken for the private one's.
case $browser in
    chromium)
        notice='Private windows in Chromium are not guarded: turn on "Allow in Incognito" for Quorel in chrome://extensions.'
        line='Chromium: Guarded, private windows not: turn on "Allow in Incognito" for Quorel in chrome://extensions'
        ;;
    firefox)
        notice='Private windows in Firefox are not guarded: allow "Run in Private Windows" for Quorel in about:addons.'
        line='Firefox: Guarded, private windows not: allow "Run in Private Windows" for Quorel in about:addons'
        ;;
esac
atspi --open Blockers --wait-for "$notice" --wait-for "$line" ||
    fail "the Blockers screen does not say private windows are unguarded"
openPrivateWindow
openAddress "https://www.pornhub.com/private"
# Firefox keeps calling its ordinary window focused to an extension kept out of private ones, so
# there the notice is all there is.
if [ "$browser" = chromium ]; then
    waitUntil 10 lastFocused 0 || fail "the ordinary window is still reported as the focused one"
fi
xdotool key --clearmodifiers ctrl+shift+w
activeWindow=

# Quorel restarted: the host the browser keeps finds the new one by itself and tells it the tab.
hellosBefore=$(grep -c "browser link from $browser (" "$work/app.log")
kill "$appPid"
wait "$appPid" 2>/dev/null || true
startApp "$app"
hellos() { [ "$(grep -c "browser link from $browser (" "$work/app.log")" -gt "$hellosBefore" ]; }
waitUntil 20 hellos || fail "the $browser host did not reach the restarted app"
# The restarted app's window comes up and takes the keys: the address is typed once it is there
# (and once more, should the window manager hand it the keys late).
appWindow() { xdotool search --onlyvisible --name '^Quorel$' >/dev/null 2>&1; }
waitUntil 30 appWindow || fail "the restarted app shows no window"
sleep 1
afterRestart() {
    openAddress "https://example.net/after-restart"
    waitUntil 10 frontIs "https://example.net/after-restart" complete
}
afterRestart || afterRestart ||
    fail "the restarted app does not hear the front tab (front: $(frontUrl))"
echo "$browser: extension link ok: outside focus, Shorts, adult site, focus, popup, long address, private windows and a restarted app as expected"
