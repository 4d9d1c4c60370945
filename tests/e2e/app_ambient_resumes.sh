#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later
# The ambient sound comes back by itself when the sound server does (run inside
# scripts/with-desktop.sh). The app plays rain during focus into a PulseAudio null sink of
# this test's own; the server is killed, as in a crash, and started again two seconds later. The
# app's stream must be back on the new server within a few seconds, and heard, with one line in the
# log for the stop and one for the resumption; the app must never block on the dead server.
set -euo pipefail
app=$1
here=$(cd "$(dirname "$0")" && pwd)
# Rain at volume 0.5 measures an RMS of about 0.0125 (see app_ambient_sound.sh).
readonly away=2 patience=6 soundFloor=0.0026

source "$here/../../scripts/a11y-session.sh"
source "$here/../../scripts/throwaway-home.sh"
source "$here/../../scripts/null-sink.sh"

python3 "$here/../../scripts/saved-document.py" --ambient "Soft Rain"

streamOnSink() { pactl list sink-inputs 2>/dev/null | grep -q 'media.name = "Ambient sound"'; }
logSays() { grep -c "$1" "$work/app.log" || true; }
hearsSound() {
    local rms
    rms=$(sinkRms 2) || fail "$1: could not record the sink"
    echo "$1: RMS $rms"
    python3 -c "import sys; sys.exit(float('$rms') < $soundFloor)" ||
        fail "$1: RMS $rms, expected rain above $soundFloor"
}

"$app" >"$work/app.log" 2>&1 &
pids+=("$!")
timeout 60 xdotool search --sync --limit 1 --name '^Quorel$' >/dev/null || fail "no Quorel window"
/usr/bin/python3 "$here/quorel_atspi.py" "Start Focus" || fail "could not start focus"
waitUntil 10 streamOnSink || fail "no ambient stream on the sink after Start Focus"
hearsSound "before"

kill -KILL "$soundServer"
wait "$soundServer" 2>/dev/null || true
waitUntil 5 grep -q "ambient sound stopped" "$work/app.log" ||
    fail "the log does not say that the sound stopped"
sleep "$away"
# The app's GUI thread still answers while the server is away.
/usr/bin/python3 "$here/quorel_atspi.py" --wait-for "Pause" || fail "the app does not answer"

startSoundServer
back=$(date +%s%N)
waitUntil "$patience" streamOnSink || fail "the sound did not come back within $patience s"
echo "resumed $((($(date +%s%N) - back) / 1000000)) ms after the sound server came back"
waitUntil 2 grep -q "ambient sound resumed" "$work/app.log" ||
    fail "the log does not say that the sound resumed"
hearsSound "after"
[ "$(logSays "ambient sound stopped")" = 1 ] || fail "more than one stop in the log"
[ "$(logSays "ambient sound resumed")" = 1 ] || fail "more than one resumption in the log"
grep -q "no audio output" "$work/app.log" && fail "the app said it had no audio output"
grep -q "ALSA lib" "$work/app.log" && fail "SDL fell back to ALSA while the server was away"
grep "ambient sound" "$work/app.log"
echo "ambient sound ok: back by itself after the sound server came back"
