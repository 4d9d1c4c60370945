#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Screen time and application blocking in a headless GNOME Shell session, against the real app
# with Quorel's shell extension enabled and native Wayland clients (foot), with a prepared saved
# document whose schedule starts focus at once:
#   the blocked client is minimised when focus starts, and each new one as it comes to the
#   front (the delay is measured 20 times), and the shield is shown;
#   the extension switched off during focus: the app says blocking is off; switched on again,
#   the blocked client brought back meanwhile is swept away;
#   a client that is not blocked stays and is credited in trackedAppSeconds;
#   the extension answers no other program (AccessDenied) and signals the window in front to
#   Quorel alone.
# The test drives windows through a second extension of its own (window-tools/), never
# shipped: Quorel's extension gives no titles, raises no window and answers only Quorel.
# Runs in a session of its own (gnome_session.sh). Exits 77 (skipped) when the shell or foot is
# missing or the shell cannot start here. IDLE_SECONDS=N also prints the app's CPU share over N
# seconds with focus on. With IDLE_FOCUS=off (no countdown) or IDLE_FOCUS=running (a countdown,
# nothing blocked), it only measures that, as scripts/measure-idle.sh does on X11, and stops
# there.
set -euo pipefail
app=$1
here=$(cd "$(dirname "$0")" && pwd)
for tool in foot /usr/bin/python3; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
/usr/bin/python3 -c 'from gi.repository import Gio' 2>/dev/null ||
    { echo "SKIP: python3-gi is not installed"; exit 77; }
source "$here/gnome_session.sh"
windows() { /usr/bin/python3 "$here/gnome_windows.py" "$@"; }

for id in note-test:"Note Test" blocked-test:"Blocked Test"; do
    printf '[Desktop Entry]\nType=Application\nName=%s\nExec=foot --app-id=%s\n' \
        "${id#*:}" "${id%%:*}" >"$XDG_DATA_HOME/applications/${id%%:*}.desktop"
done

document=$XDG_CONFIG_HOME/quorel/Quorel.PersistedState.v1.json
case ${IDLE_FOCUS:-} in
    off) ;;
    running) python3 "$here/../../../../scripts/saved-document.py" "$document" --schedule-open 0.5 ;;
    *) python3 "$here/../../../../scripts/saved-document.py" "$document" --schedule-open 0.5 \
           --blocked-apps "Blocked Test,Quorel" ;;
esac

foot --app-id=blocked-test sleep 600 >"$work/foot-blocked.log" 2>&1 &
pids+=("$!")
waitUntil 15 windows shown blocked-test || fail "foot blocked-test has no window"

QT_LOGGING_RULES="quorel.blocking.debug=true" "$app" >"$work/app.log" 2>&1 &
quorel=$!
pids+=("$quorel")
waitUntil 20 grep -q "GNOME Shell session; applications through Quorel's GNOME Shell extension" \
    "$work/app.log" || fail "the app did not choose the GNOME Shell extension"
# Nanoseconds on a CPU over every thread: schedstat is finer than the 10 ms ticks of stat.
idleShare() {
    cpu() { cat /proc/"$quorel"/task/*/schedstat | awk '{s += $1} END {printf "%d", s}'; }
    local before after
    before=$(cpu)
    sleep "$IDLE_SECONDS"
    after=$(cpu)
    echo "idle CPU over ${IDLE_SECONDS} s, focus ${IDLE_FOCUS:-on with apps blocked}: $(awk -v ns=$((after - before)) \
        -v s="$IDLE_SECONDS" 'BEGIN { printf "%.3f %% of one core", 100 * ns / 1e9 / s }')"
}
if [ -n "${IDLE_FOCUS:-}" ]; then
    IDLE_SECONDS=${IDLE_SECONDS:-60}
    windows activate blocked-test
    sleep 3  # let start-up work settle before counting
    idleShare
    exit 0
fi
waitUntil 10 windows hidden blocked-test || fail "focus started but the blocked client stays shown"
if [ -n "${IDLE_SECONDS:-}" ]; then
    sleep 3
    idleShare
fi

# Quorel is served (it hid the client); another program is not, and overhears no focus change.
windows refused || fail "the extension answered another program than Quorel"
# Known by the name of the file it runs, also once an upgrade has replaced that file.
mkdir "$work/replaced"
cp "$(readlink -f /usr/bin/python3)" "$work/replaced/quorel"
"$work/replaced/quorel" "$here/gnome_windows.py" answered "$work/replaced/quorel" ||
    fail "the extension refused a program named quorel whose file was replaced"
/usr/bin/python3 "$here/gnome_windows.py" overhear >"$work/overheard.log" 2>&1 &
overhearer=$!
pids+=("$overhearer")
windows measure blocked-test 20 "$work/app.log" foot --app-id=blocked-test sleep 600 ||
    fail "a blocked client brought to the front was not hidden during focus"
kill -TERM "$overhearer"
wait "$overhearer" || fail "another program overheard the window in front, or heard nothing"
cat "$work/overheard.log"
waitUntil 5 windows titled "Quorel Shield" || echo "note: the shield is not among the shell's windows"

foot --app-id=note-test sleep 600 >"$work/foot-note.log" 2>&1 &
pids+=("$!")
waitUntil 15 windows shown note-test || fail "foot note-test has no window"

# The extension switched off and on in the middle of focus. The blocked client shown meanwhile
# is behind another when the extension is back: the guard never sees it, the sweep must.
gnome-extensions disable "$uuid"
waitUntil 10 grep -q "extension left the session bus; blocking apps is off" "$work/app.log" ||
    fail "the app did not notice its extension switched off"
windows activate blocked-test
waitUntil 5 windows shown blocked-test || fail "the blocked client could not be brought back"
windows activate note-test
gnome-extensions enable "$uuid"
waitUntil 10 grep -q "extension answers again" "$work/app.log" ||
    fail "the app did not notice its extension back"
waitUntil 5 windows hidden blocked-test ||
    fail "the blocked client shown while the extension was off was not swept once it was back"

# Not blocked: stays in front and is counted.
windows activate note-test
stays 3 windows shown note-test || fail "a client that is not blocked was hidden"
kill -TERM "$quorel"
(sleep 10 && kill -KILL "$quorel" 2>/dev/null) &
wait "$quorel" || fail "the app did not quit cleanly on SIGTERM"
python3 "$here/../credited.py" "$XDG_CONFIG_HOME/quorel/Quorel.PersistedState.v1.json" "Note Test" ||
    fail "Note Test was not credited"
echo "GNOME Shell ok: extension chosen, blocked client hidden, other client credited," \
    "other programs refused"
