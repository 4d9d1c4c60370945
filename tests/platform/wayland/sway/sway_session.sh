# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later

# shellcheck shell=bash
# Sourced by the sway scripts: a throw-away home (scripts/throwaway-home.sh) and a headless
# sway session of its own, with SWAYSOCK and WAYLAND_DISPLAY exported for the app and the
# clients. Exits 77 (skipped) when sway or foot is missing or sway cannot start here.
readonly skip=77

for tool in sway swaymsg foot python3; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit $skip; }
done

source "$(dirname "${BASH_SOURCE[0]}")/../../../../scripts/throwaway-home.sh"
export XDG_DATA_HOME=$work/data
unset DISPLAY WAYLAND_DISPLAY SWAYSOCK
mkdir -p "$XDG_DATA_HOME/applications" "$XDG_CONFIG_HOME/quorel"

# sway refuses to run as root: there it runs as nobody, in a runtime folder of nobody's.
runAs=()
if [ "$(id -u)" -eq 0 ]; then
    runAs=(setpriv --reuid=65534 --regid=65534 --clear-groups)
    chmod 755 "$work"
    chown 65534:65534 "$XDG_RUNTIME_DIR"
fi
cat >"$work/sway.conf" <<'CONF'
xwayland disable
output HEADLESS-1 resolution 1280x800
CONF
WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman HOME=$XDG_RUNTIME_DIR \
    "${runAs[@]}" sway -c "$work/sway.conf" >"$work/sway.log" 2>&1 &
pids+=("$!")
socketUp() { compgen -G "$XDG_RUNTIME_DIR/sway-ipc.*.sock" >/dev/null && compgen -G "$XDG_RUNTIME_DIR/wayland-*.lock" >/dev/null; }
if ! waitUntil 15 socketUp; then
    echo "SKIP: sway does not start here:"
    cat "$work/sway.log"
    exit $skip
fi
SWAYSOCK=$(compgen -G "$XDG_RUNTIME_DIR/sway-ipc.*.sock" | head -n1)
lock=$(compgen -G "$XDG_RUNTIME_DIR/wayland-*.lock" | head -n1)
WAYLAND_DISPLAY=$(basename "$lock" .lock)
export SWAYSOCK WAYLAND_DISPLAY XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=sway
