#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a command inside a headless GNOME Shell of its own (gnome_session.sh), with
# QUOREL_GNOME_SHELL=1 set. Exits 77 (skipped) when the shell cannot start here.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/gnome_session.sh"
QUOREL_GNOME_SHELL=1 "$@"
