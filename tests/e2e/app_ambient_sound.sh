#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later
# The ambient sound as a user hears it (run inside scripts/with-desktop.sh): the app plays into a
# PulseAudio null sink of this test's own, whose monitor is recorded. With "Soft Rain" chosen:
# idle, silence; "Start Focus", rain; the break after the countdown, silence; "Reset" and then
# "Preview" on while idle, rain again; "Preview" off, silence.
#
# Rain at volume 0.5 measures an RMS of about 0.0125 of full scale (0.0105 in its quietest
# second); the floor for "sound" is a quarter of that quietest second. Silence on a null sink is
# digital zero, so anything above 1e-4 (-80 dBFS) would be sound that should not be there.
set -euo pipefail
app=$1
here=$(cd "$(dirname "$0")" && pwd)
readonly focusSeconds=10 soundFloor=0.0026 silenceCeiling=0.0001

source "$here/../../scripts/a11y-session.sh"
source "$here/../../scripts/throwaway-home.sh"
source "$here/../../scripts/null-sink.sh"

python3 "$here/../../scripts/saved-document.py" --focus-seconds "$focusSeconds" --ambient "Soft Rain"

press() { /usr/bin/python3 "$here/quorel_atspi.py" "$@"; }
# The "Preview" switch: a toggle, not a push button, so quorel_atspi.py's own lookup misses it.
toggleSwitch() {
    /usr/bin/python3 - "$here" "$1" <<'PY'
import sys, time
sys.path.insert(0, sys.argv[1])
from quorel_atspi import find_app, press, wait_for
import pyatspi
deadline = time.time() + 30
app = find_app(deadline)
def switch():
    def actionable(a):
        try:
            return a is not None and a.name == sys.argv[2] and a.queryAction().nActions > 0
        except NotImplementedError:
            return False
    return pyatspi.findDescendant(app, actionable)
found = wait_for(switch, deadline)
if found is None:
    sys.exit("no switch named %r" % sys.argv[2])
press(found)
PY
}
# hears LABEL sound|silence: records two seconds and checks the sink's RMS against the limit.
hears() {
    local rms
    rms=$(sinkRms 2) || fail "$1: could not record the sink"
    echo "$1: RMS $rms"
    if [ "$2" = sound ]; then
        python3 -c "import sys; sys.exit(float('$rms') < $soundFloor)" ||
            fail "$1: RMS $rms, expected rain above $soundFloor"
    else
        python3 -c "import sys; sys.exit(float('$rms') > $silenceCeiling)" ||
            fail "$1: RMS $rms, expected silence below $silenceCeiling"
    fi
}

"$app" >"$work/app.log" 2>&1 &
pids+=("$!")
timeout 60 xdotool search --sync --limit 1 --name '^Quorel$' >/dev/null || fail "no Quorel window"

hears "idle" silence
press "Start Focus" || fail "could not start focus"
started=$SECONDS
sleep 0.5  # the stream's first buffers on their way to the sink
hears "focus" sound
# The tick after the countdown reaches zero starts the break.
while [ $((SECONDS - started)) -le $((focusSeconds + 2)) ]; do sleep 0.2; done
sleep 0.5  # what the stream had buffered drains
hears "break" silence
press "Reset" || fail "could not reset the break"
hears "idle after reset" silence
toggleSwitch "Preview" || fail "could not switch Preview on"
sleep 0.5
hears "preview while idle" sound
toggleSwitch "Preview" || fail "could not switch Preview off"
sleep 0.5
hears "preview off" silence
grep -q "no audio output" "$work/app.log" && fail "the app found no audio output"
echo "ambient sound ok: rain during focus and preview, silence idle and in the break"
