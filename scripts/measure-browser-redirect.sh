#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later
# How long a blocked address stays in the front tab: for Chromium and Firefox ESR with the Quorel
# extension (BROWSERS, default both), in each of the desktop languages LOCALES names (default
# "C de_DE.UTF-8"), 20 times
# each, an adult site (blocked at any time) is typed into the front tab and the time from Return
# to the app hearing the tab on the blocked page is taken. Prints every value, the median and
# the worst, and the same for the time until the app first heard of the typed address (what
# comes before that is the browser's and the extension's) and until the extension confirmed the
# redirect (where it held the request, the blocked site was never asked for; what follows is
# the blocked page's own load).
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
source "$here/throwaway-home.sh"
source "$here/../tests/e2e/browser_session.sh"
browserSession "$browser" "$app"
blocked="http://127.0.0.1:$bridgePort/blocked?site=pornhub.com"

delays=()
heard=()
redirected=()
for i in $(seq 20); do
    # The last attempt's page has just come: let the address bar take it before typing anew.
    sleep 0.5
    openAddress "https://example.net/before-$i"
    waitUntil 20 frontIs "https://example.net/before-$i" complete || fail "example.net did not load"
    typeAddress "https://www.pornhub.com/video-$i"
    begin=$(date +%s%3N)
    xdotool key Return
    waitUntil 10 reachedSince "$begin" "$blocked" || fail "attempt $i was not redirected (front: $(frontUrl))"
    # Should the typed address still come back after the first redirect, the page got through:
    # what counts is the blocked page after the typed address was last heard.
    last=$(grep "^browser-link: [0-9]* $browser front https://www.pornhub.com/video-$i" "$work/app.log" |
        tail -n1 | cut -d' ' -f2)
    reached=$(reportedAfter "${last:-$begin}" "$blocked")
    [ -n "$reached" ] || { sleep 1; reached=$(reportedAfter "${last:-$begin}" "$blocked"); }
    [ -n "$reached" ] || fail "attempt $i ended on the blocked address (front: $(frontUrl))"
    delays+=($((reached - begin)))
    # When the app first heard of the typed address: what is before is the browser's.
    first=$(reportedAfter "$begin" "https://www.pornhub.com/video-$i")
    heard+=($((${first:-$reached} - begin)))
    confirmed=$(grep "^browser-link: [0-9]* $browser done ok=1" "$work/app.log" |
        awk -v t0="$begin" '$2 > t0 { print $2; exit }')
    redirected+=($((${confirmed:-$reached} - begin)))
done
summary() {
    printf '%s\n' "$@" | sort -n |
        awk '{ v[NR] = $1 } END { printf "median %s ms, worst %s ms", (v[10] + v[11]) / 2, v[NR] }'
}
echo "$browser in ${LANG:-C}: Return to blocked page, ms: ${delays[*]}"
echo "$browser in ${LANG:-C}: Return to the app hearing the address, ms: ${heard[*]}"
echo "$browser in ${LANG:-C}: Return to the redirect confirmed, ms: ${redirected[*]}"
echo "$browser in ${LANG:-C}: $(summary "${delays[@]}"); hearing the address: $(summary "${heard[@]}"); redirect confirmed: $(summary "${redirected[@]}")"
