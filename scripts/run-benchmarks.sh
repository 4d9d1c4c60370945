#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs every benchmark with repetitions and prints the medians.
#   scripts/run-benchmarks.sh build/release
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-build/release}
args=(--benchmark_repetitions=5 --benchmark_report_aggregates_only=true)
"$build/bench/bench_engine" "${args[@]}" | grep -E 'median|^Benchmark'
"$build/bench/bench_audio" "${args[@]}" | grep -E 'median|^Benchmark'
"$here/with-desktop.sh" "$build/bench/bench_x11" "${args[@]}" | grep -E 'median|^Benchmark'
