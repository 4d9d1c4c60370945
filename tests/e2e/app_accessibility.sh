#!/usr/bin/env bash
# The real app seen the way a screen reader sees it (run inside scripts/with-desktop.sh): over
# AT-SPI, "Start Focus" is found by its name and enabled, pressing it starts a strict Deep Work
# countdown, the same button then reads "Strict Locked", and it and "Reset" read as disabled.
set -euo pipefail
app=$1
here=$(cd "$(dirname "$0")" && pwd)

source "$here/../../scripts/a11y-session.sh"
source "$here/../../scripts/throwaway-home.sh"

"$app" >"$work/app.log" 2>&1 &
pids+=($!)
xdotool search --sync --limit 1 --name '^Quorel$' >/dev/null

# Debian's pyatspi lives with the system Python, whatever python3 is first on PATH.
/usr/bin/python3 "$here/find_start_focus.py" || fail "the app as a screen reader sees it is wrong"
