#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a command inside a throw-away session of one desktop, with QUOREL_CONTRACT_DESKTOP naming
# it and XDG_DATA_HOME a folder of the session's own, and exits with its status:
#
#   tests/contract/in-session.sh x11|sway|kwin|gnome COMMAND [ARGS...]
#
# Each desktop is started by its own tests' set-up; 77 (skipped) where it cannot start here.
set -uo pipefail
desktop=$1
tests=$(cd "$(dirname "$0")/.." && pwd)
export QUOREL_CONTRACT_DESKTOP=$desktop

case $desktop in
x11)
    for tool in Xvfb openbox wmctrl xprop; do
        command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
    done
    # shellcheck source=../../scripts/throwaway-home.sh
    source "$tests/../scripts/throwaway-home.sh"
    export XDG_DATA_HOME=$work/data
    shift
    "$tests/../scripts/with-desktop.sh" "$@"
    ;;
sway)
    # shellcheck source=../platform/wayland/sway/sway_session.sh
    source "$tests/platform/wayland/sway/sway_session.sh"
    shift
    "$@"
    ;;
kwin)
    shift
    exec "$tests/platform/wayland/kwin/in-kwin.sh" "$@"
    ;;
gnome)
    # Sourced with the arguments as given: it runs this script again inside a bus of its own.
    # shellcheck source=../platform/wayland/gnome/gnome_session.sh
    source "$tests/platform/wayland/gnome/gnome_session.sh"
    shift
    # Quorel's extension answers only a program whose file is named quorel.
    mkdir -p "$work/bin"
    cp "$1" "$work/bin/quorel"
    shift
    "$work/bin/quorel" "$@"
    ;;
*)
    echo "unknown desktop: $desktop" >&2
    exit 2
    ;;
esac
