#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Application blocking against real X clients (run inside scripts/with-desktop.sh), with a
# prepared saved document and a desktop entry of our own:
#   outside focus, an app whose allowance is used up is hidden and the shield names it; one
#   below its allowance is not;
#   "Start Focus" (pressed over AT-SPI) hides the running blocked xterm; activated again it is
#   iconic at once, hidden by the activation watcher and not left to the guard (the delay is
#   measured 20 times); a disabled entry hides nothing; Quorel's own
#   window, though on the list, is never hidden by the watcher or the guard;
#   in the break after the countdown, an entry without an allowance hides nothing.
set -euo pipefail
app=$1
here=$(cd "$(dirname "$0")" && pwd)

source "$here/../../scripts/a11y-session.sh"
source "$here/../../scripts/throwaway-home.sh"
export XDG_DATA_HOME=$work/data
readonly focusSeconds=45

mkdir -p "$XDG_DATA_HOME/applications" "$XDG_CONFIG_HOME/quorel"
cat >"$XDG_DATA_HOME/applications/calc-test.desktop" <<'ENTRY'
[Desktop Entry]
Type=Application
Name=Calc Test
Exec=xcalc
StartupWMClass=XCalc
ENTRY
python3 "$here/../../scripts/saved-document.py" --focus-seconds "$focusSeconds" \
    --blocked-apps "XTerm,Xman:off,Calc Test:1,XLogo:60,Quorel" --tracked "Calc Test=120,XLogo=10"

# xdotool gives up on a window that vanishes while it walks the tree (BadWindow): ask again.
# WINDOW_HIDDEN_OK=1 also finds a window that is already iconic: Quorel may hide an app over its
# allowance as soon as it is in front, before the search sees it.
window() {
    local found deadline=$((SECONDS + 30)) visible=--onlyvisible
    [ -n "${WINDOW_HIDDEN_OK:-}" ] && visible=
    until found=$(xdotool search --limit 1 $visible --name "$1" 2>/dev/null | head -n1) &&
        [ -n "$found" ]; do
        [ $SECONDS -lt $deadline ] || return 0
        sleep 0.1
    done
    echo "$found"
}
shown() { [ -n "$(xdotool search --onlyvisible --name "$1" 2>/dev/null)" ]; }
iconic() { xprop -id "$1" WM_STATE 2>/dev/null | grep -q 'window state: Iconic'; }
normal() { ! iconic "$1"; }
activate() { xdotool windowactivate "$1" 2>/dev/null || true; }
press() { /usr/bin/python3 "$here/quorel_atspi.py" "$@"; }

for client in "xterm -title e2e-xterm" "xman -title e2e-xman" "xcalc -title e2e-xcalc" \
    "xlogo -title e2e-xlogo"; do
    $client >/dev/null 2>&1 &
    pids+=("$!")
done
QT_LOGGING_RULES="quorel.blocking.debug=true" "$app" >"$work/app.log" 2>&1 &
pids+=("$!")
quorel=$(window '^Quorel$') || fail "no Quorel window"
xterm=$(window '^e2e-xterm$')
xman=$(window '^e2e-xman$')
xcalc=$(WINDOW_HIDDEN_OK=1 window '^e2e-xcalc$')
xlogo=$(window '^e2e-xlogo$')
{ [ -n "$xterm" ] && [ -n "$xman" ] && [ -n "$xcalc" ] && [ -n "$xlogo" ]; } || fail "a client has no window: xterm $xterm, xman $xman, xcalc $xcalc, xlogo $xlogo"

# Outside focus: only the used-up allowance blocks.
activate "$xcalc"
waitUntil 5 iconic "$xcalc" || fail "Calc Test, over its allowance, was not hidden"
waitUntil 5 shown '^Quorel Shield$' || fail "no shield window"
press --wait-for "Calc Test is Blocked" || fail "the shield does not name Calc Test"
for w in "$xlogo" "$xterm"; do
    activate "$w"
    stays 1 normal "$w" || fail "an app within its allowance was hidden outside focus"
done

press "Start Focus" || fail "could not start focus"
started=$SECONDS
waitUntil 5 iconic "$xterm" || fail "starting focus did not hide the running xterm"

# The xterm's WM_STATE changes, each line stamped as it comes: the watcher may hide it again
# faster than any poll would see it shown.
stdbuf -oL xprop -spy -id "$xterm" WM_STATE |
    while IFS= read -r line; do echo "$(date +%s%N) $line"; done >"$work/xterm-state.txt" &
pids+=("$!")
# hiddenAfter T: when the xterm was iconic again after being shown, both later than T
# (nanoseconds): the first Iconic from the second state change on. xprop reads the value when
# it hears of a change, so a hide within a millisecond may make both changes read "Iconic".
hiddenAfter() {
    awk -v t0="$1" '$1 > t0 && /window state:/ { changes++ }
        $1 > t0 && changes >= 2 && /window state: Iconic/ { print $1; exit }' "$work/xterm-state.txt"
}
hiddenSince() { [ -n "$(hiddenAfter "$1")" ]; }
delays=()
for run in $(seq 20); do
    # Past the second hide of the last activation (0.15 s), so each activation is measured
    # alone and not undone by a hide meant for the one before.
    sleep 0.3
    watched=$(watcherHides XTerm)
    begin=$(date +%s%N)
    activate "$xterm"
    waitUntil 5 hiddenSince "$begin" || { cat "$work/xterm-state.txt"; echo "begin $begin; active $(xprop -root _NET_ACTIVE_WINDOW)"; fail "an activated xterm was not hidden during focus"; }
    hidden=$(hiddenAfter "$begin")
    [ "$(watcherHides XTerm)" -gt "$watched" ] || fail "run $run: the xterm was hidden, but by the guard, not as it showed or came to the front"
    delays+=($(( (hidden - begin) / 1000000 )))
done
median=$(printf '%s\n' "${delays[@]}" | sort -n | sed -n 10p)
echo "activation to iconic, ms: ${delays[*]}; median ${median}"

activate "$xman"
stays 1 normal "$xman" || fail "a disabled entry hid its app"
activate "$quorel"
waitUntil 5 normal "$quorel" || fail "Quorel's own window could not be brought back"
stays 1 normal "$quorel" || fail "the watcher or the guard hid Quorel's own window"

# The break after the countdown: no allowance, no blocking.
while [ $((SECONDS - started)) -le $((focusSeconds + 2)) ]; do sleep 0.5; done
xdotool windowmap "$xterm" 2>/dev/null || true
activate "$xterm"
waitUntil 5 normal "$xterm" || fail "the xterm could not be brought back"
stays 1 normal "$xterm" || fail "the break hid an entry without an allowance"
echo "blocking ok: allowance, focus, disabled entry, own window and break as expected"
