#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Screen time and application blocking in a headless KDE Plasma (KWin) Wayland session, against
# the real app (its own windows through XWayland) and two native Wayland windows, with a prepared
# saved document whose schedule starts focus at once:
#   the app picks KWin's channel; the blocked window is minimised when focus starts and again
#   each time it is brought back, by the activation watcher and not left to the guard (the delay
#   is measured 20 times, inside KWin), with the shield shown; a window that is not blocked
#   stays and is credited in trackedAppSeconds; the app's script is unloaded when it quits.
# Exits 77 (skipped) when KWin cannot start here.
#   kwin_blocks_apps.sh APP TEST_WINDOW
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
readonly skip=77

if [ "${1:-}" = "--inside" ]; then
    # Run by KWin as its session program: WAYLAND_DISPLAY and DISPLAY (XWayland) are set.
    work=$2 app=$3 window=$4
    pids=()
    finish() {
        echo "$1" >"$work/status"
        for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
        exit 0
    }
    fail() { echo "FAIL: $1" >"$work/reason"; finish 1; }
    waitUntil() {
        local deadline=$((SECONDS + $1))
        shift
        until "$@"; do
            [ $SECONDS -lt $deadline ] || return 1
            sleep 0.05
        done
    }
    # kwinScript NAME CODE: runs CODE inside KWin as script NAME, left loaded until unloaded;
    # find(APPID) gives the window of that app id, and print()s reach kwin.log.
    kwinScript() {
        printf '%s\n' "function find(id) {
    var c = workspace.clientList();
    for (var i = 0; i < c.length; ++i) if (c[i].resourceClass === id) return c[i];
    return null;
}" "$2" >"$work/$1.js"
        dbus-send --session --print-reply --dest=org.kde.KWin /Scripting \
            org.kde.kwin.Scripting.loadScript string:"$work/$1.js" string:"$1" >/dev/null
        # Not the script's own /ID: KWin reuses the id of an unloaded script (see the adapter).
        dbus-send --session --print-reply --dest=org.kde.KWin /Scripting \
            org.kde.kwin.Scripting.start >/dev/null
    }
    unload() {
        dbus-send --session --dest=org.kde.KWin /Scripting \
            org.kde.kwin.Scripting.unloadScript string:"$1"
    }
    # state APPID: prints "minimized=B active=B" of the window with that app id, as KWin says.
    state() {
        local name
        name=probe-$(date +%s%N)
        kwinScript "$name" "var c = find('$1');
if (c) print('$name minimized=' + c.minimized + ' active=' + (workspace.activeClient === c));"
        waitUntil 5 grep -q "$name " "$work/kwin.log" || { unload "$name"; return 1; }
        unload "$name"
        grep "$name " "$work/kwin.log" | head -n1 | sed "s/.*$name //"
    }
    is() { [ "$(state "$1")" = "$2" ]; }
    watcherHides() { grep -cE "hidden as it (came to the front|showed): \"[^\"]*$1\"" "$work/app.log" || true; }
    isMinimized() { state "$1" | grep -q 'minimized=true'; }

    for id in note-test blocked-test; do
        "$window" "$id" >"$work/window-$id.log" 2>&1 &
        pids+=("$!")
        waitUntil 15 is "$id" "minimized=false active=true" || fail "window $id did not come up"
    done
    QT_LOGGING_RULES="quorel.blocking.debug=true" "$app" >"$work/app.log" 2>&1 &
    quorel=$!
    pids+=("$quorel")
    waitUntil 30 grep -qs "KDE Plasma (KWin) session; applications through a KWin script" \
        "$work/app.log" || fail "the app did not choose KWin's channel"
    waitUntil 10 isMinimized blocked-test || fail "focus started but the blocked window stays"

    # activate RUN: unminimises and activates blocked-test from inside KWin, which prints
    # "HIDDEN RUN MS" when the window is minimised again.
    activate() {
        kwinScript "activate-$1" "var run = $1;
var c = find('blocked-test');
var t0 = Date.now();
workspace.clientMinimized.connect(function (w) {
    if (w === c && run > 0) { print('HIDDEN ' + run + ' ' + (Date.now() - t0)); run = 0; }
});
c.minimized = false;
workspace.activeClient = c;"
    }
    for run in $(seq 20); do
        watched=$(watcherHides blocked-test)
        activate "$run"
        waitUntil 5 grep -q "HIDDEN $run " "$work/kwin.log" ||
            fail "a blocked window brought to the front was not hidden during focus (run $run: $(state blocked-test))"
        [ "$(watcherHides blocked-test)" -gt "$watched" ] ||
            fail "run $run: the blocked window was hidden, but not as it came to the front"
        unload "activate-$run"
        sleep 0.2
    done
    delays=$(sed -n 's/.*HIDDEN [0-9]* \([0-9]*\).*/\1/p' "$work/kwin.log")
    echo "activation to hidden, ms: $(echo "$delays" | tr '\n' ' '); median $(echo "$delays" | sort -n | sed -n 10p)" \
        >"$work/figures"
    waitUntil 5 xdotool search --onlyvisible --name '^Quorel Shield$' >/dev/null ||
        fail "no shield window while a blocked window was hidden"

    kwinScript activate-note "workspace.activeClient = find('note-test');"
    waitUntil 5 is note-test "minimized=false active=true" || fail "note-test did not come to the front"
    sleep 3
    is note-test "minimized=false active=true" || fail "a window that is not blocked was hidden"
    kill -TERM "$quorel"
    waitUntil 10 bash -c "! kill -0 $quorel 2>/dev/null" || fail "the app did not quit on SIGTERM"
    loaded=$(dbus-send --session --print-reply --dest=org.kde.KWin /Scripting \
        org.kde.kwin.Scripting.isScriptLoaded string:quorel-workspace | sed -n 's/.*boolean //p')
    [ "$loaded" = false ] || fail "the app's KWin script is still loaded after it quit"
    finish 0
fi

app=$(realpath "$1")
window=$(realpath "$2")
source "$here/../../../../scripts/throwaway-home.sh"
binary=$(command -v kwin_wayland) || { echo "SKIP: kwin_wayland is not installed"; exit $skip; }
command -v Xwayland >/dev/null || { echo "SKIP: Xwayland is not installed"; exit $skip; }
# Without its file capability: see in-kwin.sh.
cp "$binary" "$work/kwin_wayland"
unset WAYLAND_DISPLAY DISPLAY DBUS_SESSION_BUS_ADDRESS
export XDG_DATA_HOME=$work/data XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=KDE
mkdir -p "$XDG_DATA_HOME/applications" "$XDG_CONFIG_HOME/quorel"
for id in note-test:"Note Test" blocked-test:"Blocked Test"; do
    printf '[Desktop Entry]\nType=Application\nName=%s\nExec=true\n' "${id#*:}" \
        >"$XDG_DATA_HOME/applications/${id%%:*}.desktop"
done
python3 "$here/../../../../scripts/saved-document.py" --schedule-open 0.5 --blocked-apps "Blocked Test,Quorel"

QT_LOGGING_RULES="kwin_scripting.debug=true" KWIN_COMPOSE=Q timeout 240 dbus-run-session -- \
    "$work/kwin_wayland" --virtual --xwayland --no-lockscreen --socket "quorel-kwin-$$" \
    --width 1280 --height 800 \
    --exit-with-session "$0 --inside $work $app $window" >"$work/kwin.log" 2>&1
if [ ! -e "$work/status" ]; then
    echo "SKIP: KWin did not run the session here:"
    grep -v 'fd limit' "$work/kwin.log" | tail -5
    exit $skip
fi
[ "$(cat "$work/status")" = 0 ] || fail "$(cat "$work/reason")"
cat "$work/figures"
python3 "$here/../credited.py" "$XDG_CONFIG_HOME/quorel/Quorel.PersistedState.v1.json" "Note Test" ||
    fail "Note Test was not credited"
echo "KWin ok: channel chosen, blocked window hidden with the shield, other window credited"
