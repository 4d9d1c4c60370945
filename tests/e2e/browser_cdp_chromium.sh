# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later

# shellcheck shell=bash
# Sourced after scripts/throwaway-home.sh by the DevTools link's scripts: a local page server and a
# headless Chromium on a profile of its own with a debugging port it picks itself.
work=${work:?source throwaway-home.sh first}

# startPageServer: serves $work/site on a free loopback port; sets site to its address.
# shellcheck disable=SC2034  # site is for the scripts that source this one
startPageServer() {
    python3 -u -m http.server --bind 127.0.0.1 --directory "$work/site" 0 >"$work/http.log" 2>&1 &
    pids+=("$!")
    serving() { grep -q ' port [0-9]' "$work/http.log"; }
    waitUntil 10 serving || fail "the page server did not start"
    site=http://127.0.0.1:$(sed -n 's/.* port \([0-9]*\) .*/\1/p' "$work/http.log" | head -n1)
}

# startChromium URL [FLAGS...]: in a process group of its own, so that all of its processes are
# stopped before the profile folder is removed.
startChromium() {
    setsid chromium --headless=new --remote-debugging-port=0 --user-data-dir="$work/profile" \
        --no-first-run --disable-background-networking --disable-component-update --disable-sync \
        --no-sandbox --disable-gpu "${@:2}" "$1" >"$work/chromium.log" 2>&1 &
    browserGroup=$!
    pids+=("$browserGroup")
    trap 'stopChromium; cleanup' EXIT
}

# Zombies left for init to reap write nothing.
chromiumGone() { ! ps -eo pgid=,stat= | awk -v g="$browserGroup" '$1 == g && $2 !~ /^Z/' | grep -q .; }
stopChromium() {
    kill -- -"$browserGroup" 2>/dev/null || true
    wait "$browserGroup" 2>/dev/null || true
    waitUntil 15 chromiumGone || echo "Chromium still running after 15 s"
}
