#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Screen time and application blocking in a headless sway session, against the real app and
# native Wayland clients (foot), with a prepared saved document whose schedule starts focus at
# once:
#   the blocked client is moved out of sight when focus starts, again each time it is shown,
#   by the activation watcher and not left to the guard (the delay is measured 20 times), and
#   the shield is shown; shown and left for another window in one command, it is hidden too;
#   Quorel's own windows, though on the list, are left alone by the watcher and the guard;
#   a client that is not blocked stays and is credited in trackedAppSeconds.
# Exits 77 (skipped) when sway or foot is missing or sway cannot start here.
set -euo pipefail
app=$1
here=$(cd "$(dirname "$0")" && pwd)
source "$here/sway_session.sh"

for id in note-test:"Note Test" blocked-test:"Blocked Test"; do
    printf '[Desktop Entry]\nType=Application\nName=%s\nExec=foot --app-id=%s\n' \
        "${id#*:}" "${id%%:*}" >"$XDG_DATA_HOME/applications/${id%%:*}.desktop"
done
python3 "$here/../../../../scripts/saved-document.py" --schedule-open 0.5 --blocked-apps "Blocked Test,Quorel"

# tree QUERY: asks sway's tree; QUERY is one of shown ID, hidden ID, titled TITLE.
tree() {
    swaymsg -r -t get_tree 2>/dev/null | python3 -c '
import json, sys
what, arg = sys.argv[1], sys.argv[2]
def views(n, scratch=False):
    scratch = scratch or n.get("name") == "__i3_scratch"
    if "shell" in n:
        yield n, scratch
    for c in n.get("nodes", []) + n.get("floating_nodes", []):
        yield from views(c, scratch)
found = [(v, s) for v, s in views(json.load(sys.stdin))
         if (v.get("name") if what == "titled" else v.get("app_id")) == arg]
ok = {"shown": any(not s for v, s in found), "hidden": bool(found) and all(s for v, s in found),
      "titled": any(not s for v, s in found)}[what]
sys.exit(0 if ok else 1)' "$1" "$2"
}

for id in note-test blocked-test; do
    foot --app-id="$id" sleep 600 >"$work/foot-$id.log" 2>&1 &
    pids+=("$!")
    waitUntil 15 tree shown "$id" || fail "foot $id has no window"
done

QT_LOGGING_RULES="quorel.blocking.debug=true" "$app" >"$work/app.log" 2>&1 &
quorel=$!
pids+=("$quorel")
waitUntil 20 grep -qs "sway session; applications through sway's IPC socket" "$work/app.log" ||
    fail "the app did not choose sway's channel"
waitUntil 10 tree hidden blocked-test || fail "focus started but the blocked client stays shown"

# Each window event, stamped as it comes: the guard may hide the client faster than a poll.
stdbuf -oL swaymsg -r -m -t subscribe '["window"]' |
    while IFS= read -r line; do echo "$(date +%s%N) $line"; done >"$work/events.txt" &
pids+=("$!")
sleep 0.3
# hiddenAfter T: when blocked-test was moved out of sight after T (nanoseconds).
hiddenAfter() {
    python3 - "$1" "$work/events.txt" <<'PY'
import json, sys
t0 = int(sys.argv[1])
for line in open(sys.argv[2]):
    stamp, _, event = line.partition(" ")
    try:
        e = json.loads(event)
    except ValueError:
        continue
    c = e.get("container", {})
    if int(stamp) > t0 and e.get("change") == "move" and c.get("app_id") == "blocked-test" \
            and not c.get("visible", True):
        print(stamp)
        break
PY
}
hiddenSince() { [ -n "$(hiddenAfter "$1")" ]; }
delays=()
for run in $(seq 20); do
    sleep 0.3
    watched=$(watcherHides blocked-test)
    begin=$(date +%s%N)
    swaymsg '[app_id="^blocked-test$"] scratchpad show' >/dev/null 2>&1 || true
    waitUntil 5 hiddenSince "$begin" || fail "a blocked client brought to the front was not hidden during focus"
    hidden=$(hiddenAfter "$begin")
    [ "$(watcherHides blocked-test)" -gt "$watched" ] ||
        fail "run $run: the blocked client was hidden, but not as it came to the front"
    delays+=($(( (hidden - begin) / 1000000 )))
done
median=$(printf '%s\n' "${delays[@]}" | sort -n | sed -n 10p)
echo "activation to hidden, ms: ${delays[*]}; median ${median}"
waitUntil 5 tree titled "Quorel Shield" || fail "no shield window while a blocked client was hidden"

# In front for one event of a batch: the guard never sees it, the watcher must.
sleep 0.3
watched=$(watcherHides blocked-test)
swaymsg '[app_id="^blocked-test$"] scratchpad show; [app_id="^note-test$"] focus' >/dev/null
waitUntil 5 tree hidden blocked-test ||
    fail "a blocked client shown and left in one command stays on screen"
[ "$(watcherHides blocked-test)" -gt "$watched" ] ||
    fail "a blocked client shown and left in one command was not hidden as it came to the front"

# Quorel is on the list: the sweep at the start of focus hides it like any other, but brought
# back, the watcher and the guard leave its own windows alone.
ownWindowsShown() {
    swaymsg -r -t get_tree | python3 -c '
import json, sys
def views(n, scratch=False):
    scratch = scratch or n.get("name") == "__i3_scratch"
    if "shell" in n:
        yield n, scratch
    for c in n.get("nodes", []) + n.get("floating_nodes", []):
        yield from views(c, scratch)
own = [s for v, s in views(json.load(sys.stdin)) if v.get("pid") == int(sys.argv[1])]
sys.exit(0 if own and not any(own) else 1)' "$quorel"
}
swaymsg "[pid=$quorel] focus" >/dev/null 2>&1 || true
waitUntil 5 ownWindowsShown || fail "Quorel's own windows could not be brought back"
stays 1 ownWindowsShown || fail "the watcher or the guard hid Quorel's own window"

# Not blocked: stays in front and is counted.
swaymsg '[app_id="^note-test$"] focus' >/dev/null
stays 3 tree shown note-test || fail "a client that is not blocked was hidden"
kill -TERM "$quorel"
(sleep 10 && kill -KILL "$quorel" 2>/dev/null) &
wait "$quorel" || fail "the app did not quit cleanly on SIGTERM"
python3 "$here/../credited.py" "$XDG_CONFIG_HOME/quorel/Quorel.PersistedState.v1.json" "Note Test" ||
    fail "Note Test was not credited"
echo "sway ok: channel chosen, blocked client hidden with the shield, other client credited"
