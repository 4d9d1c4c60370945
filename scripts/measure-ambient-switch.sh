#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later
# The caller's (in the app, the GUI thread's) time to start, switch, stop and change the volume
# of an ambient sound, and the time until a new volume is heard (BM_VolumeHeard), through SDL and
# straight to a PulseAudio null sink of this run's own. Medians of single calls.
#   scripts/measure-ambient-switch.sh build/release
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bench=$(realpath "${1:-build/release}")/bench/bench_ambient_output

source "$here/throwaway-home.sh"
source "$here/null-sink.sh"
"$bench" --benchmark_report_aggregates_only=true | grep -E 'median|^Benchmark'
