#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later
# What blocking costs on a headless X desktop (Xvfb + openbox), for the build in BUILD_DIR
# (default build/dev; build the measure_x11_hide target first):
#   - focus starts with WINDOWS (200) blocked xterm look-alikes on screen, each its own
#     application: the time until the last is unmapped, RUNS (5) times, and the median;
#   - a window that maps itself again whenever it is unmapped, for SECONDS (10): Quorel's share
#     of a core, and how much of the time the window was mapped.
#   scripts/measure-x11-hide.sh [BUILD_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build/dev}
tool=$build/bench/measure_x11_hide
[ -x "$tool" ] || { echo "no $tool: build the measure_x11_hide target" >&2; exit 1; }

"$here/with-desktop.sh" "$tool" many "${WINDOWS:-200}" "${RUNS:-5}" 2>/dev/null
"$here/with-desktop.sh" "$tool" fighter "${SECONDS_FIGHTING:-10}" 2>/dev/null
