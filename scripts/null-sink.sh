# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later

# shellcheck shell=bash
# Sourced after throwaway-home.sh: a PulseAudio server of this run's own, in its throw-away
# runtime folder, whose only sink is a null sink that every stream plays into. Its monitor can
# be recorded, so a script hears what the app plays without a sound card.
#   sinkRms SECONDS: records the sink for that long and prints the RMS, as a fraction of full scale.
#   startSoundServer: starts the server again after a test ended it.
work=${work:?source throwaway-home.sh first}
cat >"$work/null-sink.pa" <<'PA'
load-module module-null-sink sink_name=quorel_null rate=48000 channels=2
set-default-sink quorel_null
load-module module-native-protocol-unix auth-anonymous=1
PA
# The app, pactl and parecord all find this server through XDG_RUNTIME_DIR, not the user's.
unset PULSE_SERVER SDL_AUDIODRIVER
# startSoundServer: starts the server (again, after a test ended it) and waits until it answers;
# its process id is then in soundServer.
startSoundServer() {
    # As root it must be told that this is not the system-wide server.
    pulseaudio --daemonize=no --exit-idle-time=-1 -n --system=false --disallow-exit \
        --use-pid-file=no --log-target=stderr -F "$work/null-sink.pa" >>"$work/pulseaudio.log" 2>&1 &
    soundServer=$!
    pids+=("$soundServer")
    waitUntil 20 pactl info >/dev/null 2>&1 || fail "the PulseAudio server did not start"
}
startSoundServer

sinkRms() {
    timeout "$1" parecord --raw --device=quorel_null.monitor --format=float32le --rate=48000 \
        --channels=1 "$work/sink.raw" 2>/dev/null || true
    python3 - "$work/sink.raw" <<'PY'
import array, math, sys
samples = array.array("f", open(sys.argv[1], "rb").read())
if not samples:
    sys.exit("nothing recorded from the sink's monitor")
print(f"{math.sqrt(sum(s * s for s in samples) / len(samples)):.6f}")
PY
}
