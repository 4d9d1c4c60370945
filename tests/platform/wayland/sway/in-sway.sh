#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a command inside a headless sway session of its own (sway_session.sh), with the
# compositor's process id in QUOREL_COMPOSITOR_PID for a test that takes it away.
# Exits 77 (skipped) when sway cannot start here.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/sway_session.sh"
QUOREL_COMPOSITOR_PID=${pids[-1]} "$@"
