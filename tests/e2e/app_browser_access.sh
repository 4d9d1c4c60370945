#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later
# With no extension connected and no browser on a debugging port, "Test Browser Access" raises
# the hint under "Blocked Websites" (run inside scripts/with-desktop.sh, over AT-SPI).
set -euo pipefail
app=$1
here=$(cd "$(dirname "$0")" && pwd)

source "$here/../../scripts/a11y-session.sh"
source "$here/../../scripts/throwaway-home.sh"

"$app" >"$work/app.log" 2>&1 &
pids+=("$!")
xdotool search --sync --limit 1 --name '^Quorel$' >/dev/null
/usr/bin/python3 "$here/browser_access.py" || fail "no hint after Test Browser Access"
