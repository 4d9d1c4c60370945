#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later
# What one guard check costs over the DevTools link: readFrontTab against an idle headless
# Chromium, and the /proc scan with about 300 processes (idle sleepers make up the count).
#   scripts/measure-cdp-check.sh build/release/tools/cdp-probe/cdp_probe [RUNS]
set -euo pipefail
probe=$1
runs=${2:-300}
here=$(dirname "$0")
source "$here/throwaway-home.sh"
source "$here/../tests/e2e/browser_cdp_chromium.sh"

mkdir -p "$work/site"
printf '<title>idle</title>idle\n' >"$work/site/idle.html"
startPageServer
startChromium "$site/idle.html"
browser=chromium
reads() { [ "$("$probe" read "$browser")" = "ok $site/idle.html" ]; }
waitUntil 60 reads || fail "front tab not read"

processCount() { find /proc -maxdepth 1 -name '[0-9]*' | wc -l; }
while [ "$(processCount)" -lt 300 ]; do
    sleep 600 &
    pids+=("$!")
done
"$probe" measure "$browser" "$runs"
