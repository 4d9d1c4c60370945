#!/usr/bin/env bash
# The real app on a real X desktop (run inside scripts/with-desktop.sh): with an xterm in front,
# the document saved on the 15th second holds all 25 keys, today's stamp and the xterm's seconds.
set -euo pipefail
app=$1
work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

export XDG_CONFIG_HOME=$work/config
export HOME=$work
document=$XDG_CONFIG_HOME/quorel/Quorel.PersistedState.v1.json

QT_QUICK_BACKEND=software "$app" >"$work/app.log" 2>&1 &
pids+=($!)
started=$(date +%s)
xdotool search --sync --limit 1 --name '^Quorel$' >/dev/null

xterm -title e2e-xterm -e sleep 120 &
pids+=($!)
term=$(xdotool search --sync --limit 1 --name '^e2e-xterm$')
xdotool windowactivate --sync "$term" 2>/dev/null || xdotool windowfocus "$term"

# The first periodic save lands on the 15th tick; give it a second's slack.
while [ $(($(date +%s) - started)) -lt 16 ]; do sleep 0.5; done
for _ in $(seq 1 20); do
    [ -s "$document" ] && break
    sleep 0.25
done
if [ ! -s "$document" ]; then
    echo "no document at $document"; cat "$work/app.log"; exit 1
fi

python3 - "$document" "$(date +%Y-%-m-%-d)" <<'PY'
import json, sys
doc = json.load(open(sys.argv[1]))
today = sys.argv[2]
keys = {"totalSeconds", "strictMode", "autoStartBreak", "showInMenuBar", "blockYouTubeShorts",
        "blockInstagramReels", "blockedApps", "blockedSites", "dailyGoalHours",
        "focusMinutesToday", "sessionsToday", "streakDays", "trackedAppSeconds",
        "trackedBlockedAppSeconds", "dailySecondsByDate", "dailyBlockedSecondsByDate",
        "screenTimeMode", "blockAdultSites", "schedules", "ambientSound", "ambientVolume",
        "liquidGlassEnabled", "glassTransparency", "colorTheme", "lastSavedDay"}
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
