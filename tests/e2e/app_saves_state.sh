#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later
# The real app on a real X desktop (run inside scripts/with-desktop.sh): with an xterm in front,
# the document saved by the periodic save (the first lands on the 15th tick) holds all 25 keys,
# the first-run flag and the away threshold, today's stamp and the xterm's seconds; ended by
# SIGTERM later, it saves the seconds counted since.
#
# Every wait polls for what it expects, with a deadline generous enough for a busy machine.
set -euo pipefail
app=$1
readonly patience=60  # seconds, for each wait
source "$(dirname "$0")/../../scripts/throwaway-home.sh"
document=$XDG_CONFIG_HOME/quorel/Quorel.PersistedState.v1.json

QT_QUICK_BACKEND=software "$app" >"$work/app.log" 2>&1 &
app_pid=$!
pids+=("$app_pid")
timeout "$patience" xdotool search --sync --limit 1 --name '^Quorel$' >/dev/null ||
    fail "no Quorel window within ${patience}s"

xterm -title e2e-xterm -e sleep 600 &
pids+=("$!")
term=$(timeout "$patience" xdotool search --sync --limit 1 --name '^e2e-xterm$') ||
    fail "no xterm window within ${patience}s"
timeout "$patience" xdotool windowactivate --sync "$term" 2>/dev/null ||
    xdotool windowfocus "$term"

# Passes once a saved document holds everything; until then it says what is still missing.
check() {
    python3 - "$document" "$(date +%Y-%-m-%-d)" >"$work/check.log" 2>&1 <<'PY'
import json, sys
try:
    doc = json.load(open(sys.argv[1]))
except FileNotFoundError:
    print(f"no document at {sys.argv[1]}"); sys.exit(1)
today = sys.argv[2]
keys = {"totalSeconds", "strictMode", "autoStartBreak", "showInMenuBar", "blockYouTubeShorts",
        "blockInstagramReels", "blockedApps", "blockedSites", "dailyGoalHours",
        "focusMinutesToday", "sessionsToday", "streakDays", "trackedAppSeconds",
        "trackedBlockedAppSeconds", "dailySecondsByDate", "dailyBlockedSecondsByDate",
        "screenTimeMode", "blockAdultSites", "schedules", "ambientSound", "ambientVolume",
        "liquidGlassEnabled", "glassTransparency", "colorTheme", "lastSavedDay",
        "loginStartOffered", "awayAfterMinutes", "hideUnguardedBrowsers"}
problems = []
if set(doc) != keys:
    problems.append(f"keys differ: missing {keys - set(doc)}, extra {set(doc) - keys}")
if doc.get("lastSavedDay") != today:
    problems.append(f"lastSavedDay {doc.get('lastSavedDay')!r}, expected {today!r}")
xterm = doc.get("trackedAppSeconds", {}).get("XTerm", 0)
if xterm < 1:
    problems.append(f"no seconds for XTerm: {doc.get('trackedAppSeconds')}")
if doc.get("dailySecondsByDate", {}).get(today, 0) < xterm:
    problems.append("today's total is below the xterm's seconds")
if problems:
    print("\n".join(problems)); sys.exit(1)
print(f"saved document ok: XTerm {xterm} s, {doc['trackedAppSeconds']}")
PY
}

deadline=$((SECONDS + patience))
until check; do
    kill -0 "$app_pid" 2>/dev/null || fail "the app exited"
    [ $SECONDS -lt $deadline ] || fail "no complete saved document within ${patience}s"
    sleep 0.5
done
cat "$work/check.log"

# Ended by the system (a logout) between two periodic saves, the app saves the seconds since.
xtermSeconds() {
    python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["trackedAppSeconds"].get("XTerm", 0))' "$document"
}
before=$(xtermSeconds)
sleep 3  # usage to count, well short of the next periodic save
kill -TERM "$app_pid"
wait "$app_pid" || fail "the app ended with $? on SIGTERM"
after=$(xtermSeconds)
[ "$after" -gt "$before" ] || fail "SIGTERM lost the last seconds: XTerm $before s before, $after s after"
echo "SIGTERM saved: XTerm $before s, then $after s"
