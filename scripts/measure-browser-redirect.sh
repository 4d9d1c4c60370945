#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later
# How long a blocked address takes to become the blocked page: for Chromium and Firefox ESR with
# the Quorel extension (BROWSERS, default both), in each of the desktop languages LOCALES names
# (default "C de_DE.UTF-8"), 20 times each, an adult site (blocked at any time) is typed into the
# front tab and the time from Return until the extension's blocked page first paints is taken,
# as the page itself tells it. Prints every value, the median and the worst, the same until the app first heard of the
# typed address, and how often the test server was asked for the blocked address (it should
# never be: the browser's own rules send it away before any request).
# SITES=N puts N more sites on the block list and has focus run from the start, so that the
# browser holds that many more rules; then the time the extension took to put them in force is
# printed too. The browser's CPU time over the 20 attempts (all its processes) is printed always.
#   scripts/measure-browser-redirect.sh [APP]   (default build/release/src/app/quorel)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

if [ "${1:-}" != --inside ]; then
    app=$(realpath "${1:-$here/../build/release/src/app/quorel}")
    [ -x "$app" ] || { echo "no app at $app (make build)"; exit 1; }
    for language in ${LOCALES:-C de_DE.UTF-8}; do
        for browser in ${BROWSERS:-chromium firefox}; do
            LANG=$language LC_ALL='' LANGUAGE='' "$here/with-desktop.sh" "$0" --inside "$browser" "$app"
        done
    done
    exit 0
fi
browser=$2
app=$3
sites=${SITES:-0}
if [ "$sites" -gt 0 ]; then
    BLOCKED_SITES=example.org$(seq -f ',site%g.example' "$sites" | tr -d '\n')
    FOCUS_RUNNING=1
    export BLOCKED_SITES FOCUS_RUNNING
fi
source "$here/throwaway-home.sh"
source "$here/../tests/e2e/browser_session.sh"
browserSession "$browser" "$app"
if [ "$sites" -gt 0 ]; then
    # Sent at the start, and again to the extension as it connects.
    inForce() { grep -q "^browser-link: [0-9]* $browser applied rules=$((sites + 15))$" "$work/app.log"; }
    waitUntil 20 inForce || fail "the extension did not put $((sites + 15)) rules in force"
    applied=$(grep "^browser-link: [0-9]* $browser applied rules=$((sites + 15))$" "$work/app.log" | head -n1 | cut -d' ' -f2)
    sent=$(grep "^browser-link: [0-9]* rules " "$work/app.log" |
        awk -v t="$applied" '$2 <= t { at = $2 } END { print at }')
    echo "$browser: $((sites + 15)) rules in force $((applied - sent)) ms after the app sent them"
fi

# The CPU time, in clock ticks, of the browser's process (the host's parent) and everything
# below it.
browserTicks() {
    local root
    root=$(grep -o "browser link from $browser (pid [0-9]*)" "$work/app.log" | tail -n1 | tr -dc 0-9)
    ps -e -o pid=,ppid= | awk -v root="$root" '
        { parent[$1] = $2 }
        END {
            print root
            for (p in parent) {
                q = p
                while (q in parent && q != root && q > 1) q = parent[q]
                if (q == root && p != root) print p
            }
        }' | while read -r pid; do
        awk '{ print $14 + $15 }' "/proc/$pid/stat" 2>/dev/null || true
    done | awk '{ s += $1 } END { print s }'
}
ticksBefore=$(browserTicks)

# When the blocked page first showed after epoch-ms T, as the page itself tells (its first
# contentful paint, on the same clock as ours): in ms.
shownAfter() {
    grep "^browser-link: [0-9]* $browser shown at=" "$work/app.log" | sed 's/.*at=//' |
        awk -v t0="$1" '$1 > t0 { print; exit }'
}

shown() { [ -n "$(shownAfter "$begin")" ]; }

delays=()
heard=()
for i in $(seq 20); do
    # The last attempt's page has just come: let the address bar take it before typing anew.
    sleep 0.5
    openAddress "https://example.net/before-$i"
    waitUntil 20 frontIs "https://example.net/before-$i" complete || fail "example.net did not load"
    typeAddress "https://www.pornhub.com/video-$i"
    begin=$(date +%s%3N)
    xdotool key Return
    waitUntil 10 shown || fail "attempt $i did not show the blocked page (front: $(frontUrl))"
    reached=$(shownAfter "$begin")
    delays+=($((reached - begin)))
    # When the app first heard of the typed address, if at all: what is before is the browser's.
    first=$(reportedAfter "$begin" "https://www.pornhub.com/video-$i")
    heard+=($((${first:-$reached} - begin)))
done
cpu=$((($(browserTicks) - ticksBefore) * 1000 / $(getconf CLK_TCK)))
fetches=$(grep -c "fetched https://www.pornhub.com/video-" "$work/test-server.log" || true)
summary() {
    printf '%s\n' "$@" | sort -n |
        awk '{ v[NR] = $1 } END { printf "median %s ms, worst %s ms", (v[10] + v[11]) / 2, v[NR] }'
}
echo "$browser in ${LANG:-C}: Return to blocked page shown, ms: ${delays[*]}"
echo "$browser in ${LANG:-C}: Return to the app hearing the address, ms: ${heard[*]}"
echo "$browser in ${LANG:-C}: blocked page shown: $(summary "${delays[@]}"); hearing the address: $(summary "${heard[@]}"); blocked address fetched $fetches of 20 times; browser CPU over the 20: $cpu ms (sites on the list: $((sites + 1)))"
