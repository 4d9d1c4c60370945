#!/usr/bin/env bash
# Screen time and application blocking in a headless GNOME Shell session, against the real app
# with Quorel's shell extension enabled and native Wayland clients (foot), with a prepared saved
# document whose schedule starts focus at once:
#   the blocked client is minimised when focus starts, and each new one as it comes to the
#   front (the delay is measured 20 times), and the shield is shown;
#   a client that is not blocked stays and is credited in trackedAppSeconds;
#   the extension answers no other program (AccessDenied) and signals the window in front to
#   Quorel alone.
# The test drives windows through a second extension of its own (window-tools/), never
# shipped: Quorel's extension gives no titles, raises no window and answers only Quorel.
# Runs on its own session bus, and on a private stand-in for the system bus, where the shell
# looks for logind (it starts without one). Exits 77 (skipped) when the shell or foot is missing
# or the shell cannot start here. IDLE_SECONDS=N also prints the app's CPU share over N seconds
# with focus on. With IDLE_FOCUS=off (no countdown) or IDLE_FOCUS=running (a countdown, nothing
# blocked), it only measures that, as scripts/measure-idle.sh does on X11, and stops there.
set -euo pipefail
app=$1
here=$(cd "$(dirname "$0")" && pwd)
readonly skip=77
readonly uuid=quorel@quorel.app tools=quorel-window-tools@quorel.app

for tool in gnome-shell foot gsettings dbus-run-session dbus-daemon /usr/bin/python3; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit $skip; }
done
/usr/bin/python3 -c 'from gi.repository import Gio' 2>/dev/null ||
    { echo "SKIP: python3-gi is not installed"; exit $skip; }
# Settings in a file of the throw-away home, not in a dconf service.
export GSETTINGS_BACKEND=keyfile
source "$here/../../../scripts/throwaway-home.sh"
# Again on a bus of its own, whose services start in this throw-away home.
if [ -z "${QUOREL_GNOME_BUS:-}" ]; then
    rc=0
    QUOREL_GNOME_BUS=1 dbus-run-session -- "$0" "$@" || rc=$?
    exit $rc
fi
export XDG_DATA_HOME=$work/data
unset DISPLAY WAYLAND_DISPLAY
mkdir -p "$XDG_DATA_HOME/applications" "$XDG_CONFIG_HOME/quorel"
windows() { /usr/bin/python3 "$here/gnome_windows.py" "$@"; }

for id in note-test:"Note Test" blocked-test:"Blocked Test"; do
    printf '[Desktop Entry]\nType=Application\nName=%s\nExec=foot --app-id=%s\n' \
        "${id#*:}" "${id%%:*}" >"$XDG_DATA_HOME/applications/${id%%:*}.desktop"
done
# The shell reads its extensions when it starts: this one is in place and enabled before, as
# after the user's one-time setup.
mkdir -p "$XDG_DATA_HOME/gnome-shell/extensions/"{$uuid,$tools}
cp "$here/../../../gnome-shell-extension/"* "$XDG_DATA_HOME/gnome-shell/extensions/$uuid/"
cp "$here/window-tools/"* "$XDG_DATA_HOME/gnome-shell/extensions/$tools/"
gsettings set org.gnome.shell enabled-extensions "['$uuid', '$tools']"
gsettings set org.gnome.shell disable-user-extensions false

systemBus=$(dbus-daemon --session --fork --print-address=1 --print-pid=3 3>"$work/system-bus.pid")
pids+=("$(cat "$work/system-bus.pid")")
display=quorel-gnome-$$
DBUS_SYSTEM_BUS_ADDRESS=$systemBus gnome-shell --headless --wayland \
    --virtual-monitor 1280x800 --wayland-display="$display" >"$work/shell.log" 2>&1 &
pids+=($!)
shellUp() {
    gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
        --method org.freedesktop.DBus.NameHasOwner org.gnome.Shell 2>/dev/null | grep -q true
}
if ! waitUntil 30 shellUp; then
    echo "SKIP: GNOME Shell does not start here:"
    cat "$work/shell.log"
    exit $skip
fi
owned() {
    gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
        --method org.freedesktop.DBus.NameHasOwner "$1" 2>/dev/null | grep -q true
}
waitUntil 15 owned app.quorel.GnomeShell ||
    fail "GNOME Shell runs but the Quorel extension does not answer"
waitUntil 15 owned app.quorel.WindowTools ||
    fail "GNOME Shell runs but the tests' window tools extension does not answer"
export WAYLAND_DISPLAY=$display XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=GNOME
# Quorel's own windows go through the shell's XWayland, started when the first client comes.
xDisplay=$(sed -n 's/.*Using public X11 display \(:[0-9]*\).*/\1/p' "$work/shell.log" | head -n1)
xAuthority=$(compgen -G "$XDG_RUNTIME_DIR/.mutter-Xwaylandauth.*" | head -n1 || true)
[ -n "$xDisplay" ] && export DISPLAY=$xDisplay XAUTHORITY=$xAuthority

document=$XDG_CONFIG_HOME/quorel/Quorel.PersistedState.v1.json
case ${IDLE_FOCUS:-} in
    off) ;;
    running) python3 "$here/../focus_document.py" "$document" --nothing-blocked ;;
    *) python3 "$here/../focus_document.py" "$document" ;;
esac

foot --app-id=blocked-test sleep 600 >"$work/foot-blocked.log" 2>&1 &
pids+=($!)
waitUntil 15 windows shown blocked-test || fail "foot blocked-test has no window"

"$app" >"$work/app.log" 2>&1 &
quorel=$!
pids+=($quorel)
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
pids+=($overhearer)
windows measure blocked-test 20 foot --app-id=blocked-test sleep 600 ||
    fail "a blocked client brought to the front was not hidden during focus"
kill -TERM "$overhearer"
wait "$overhearer" || fail "another program overheard the window in front, or heard nothing"
cat "$work/overheard.log"
waitUntil 5 windows titled "Quorel Shield" || echo "note: the shield is not among the shell's windows"

# Not blocked: stays in front and is counted.
foot --app-id=note-test sleep 600 >"$work/foot-note.log" 2>&1 &
pids+=($!)
waitUntil 15 windows shown note-test || fail "foot note-test has no window"
windows activate note-test
stays 3 windows shown note-test || fail "a client that is not blocked was hidden"
kill -TERM "$quorel"
(sleep 10 && kill -KILL "$quorel" 2>/dev/null) &
wait "$quorel" || fail "the app did not quit cleanly on SIGTERM"
python3 "$here/../credited.py" "$XDG_CONFIG_HOME/quorel/Quorel.PersistedState.v1.json" "Note Test" ||
    fail "Note Test was not credited"
echo "GNOME Shell ok: extension chosen, blocked client hidden, other client credited," \
    "other programs refused"
