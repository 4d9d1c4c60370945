# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later

# shellcheck shell=bash
# Sourced by the GNOME Shell scripts: a throw-away home (scripts/throwaway-home.sh) and a headless
# GNOME Shell of its own, with Quorel's extension and the tests' window tools (window-tools/)
# enabled, on a session bus of its own and on a private stand-in for the system bus, where the
# shell looks for logind (it starts without one). WAYLAND_DISPLAY is exported for the clients,
# and DISPLAY once the shell has started XWayland. Exits 77 (skipped) when the shell is missing
# or cannot start here. The sourcing script runs twice: again inside the bus of its own.
readonly skip=77
readonly uuid=quorel@quorel.app tools=quorel-window-tools@quorel.app
session_here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

for tool in gnome-shell gsettings gdbus dbus-run-session dbus-daemon; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit $skip; }
done
# Settings in a file of the throw-away home, not in a dconf service.
export GSETTINGS_BACKEND=keyfile
source "$session_here/../../../../scripts/throwaway-home.sh"
# Again on a bus of its own, whose services start in this throw-away home.
if [ -z "${QUOREL_GNOME_BUS:-}" ]; then
    rc=0
    QUOREL_GNOME_BUS=1 dbus-run-session -- "$0" "$@" || rc=$?
    exit $rc
fi
export XDG_DATA_HOME=$work/data
unset DISPLAY WAYLAND_DISPLAY
mkdir -p "$XDG_DATA_HOME/applications" "$XDG_CONFIG_HOME/quorel"

# The shell reads its extensions when it starts: this one is in place and enabled before, as
# after the user's one-time setup.
mkdir -p "$XDG_DATA_HOME/gnome-shell/extensions/"{$uuid,$tools}
cp "$session_here/../../../../gnome-shell-extension/"* "$XDG_DATA_HOME/gnome-shell/extensions/$uuid/"
cp "$session_here/window-tools/"* "$XDG_DATA_HOME/gnome-shell/extensions/$tools/"
gsettings set org.gnome.shell enabled-extensions "['$uuid', '$tools']"
gsettings set org.gnome.shell disable-user-extensions false

systemBus=$(dbus-daemon --session --fork --print-address=1 --print-pid=3 3>"$work/system-bus.pid")
pids+=("$(cat "$work/system-bus.pid")")
display=quorel-gnome-$$
DBUS_SYSTEM_BUS_ADDRESS=$systemBus gnome-shell --headless --wayland \
    --virtual-monitor 1280x800 --wayland-display="$display" >"$work/shell.log" 2>&1 &
pids+=("$!")
owned() {
    gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
        --method org.freedesktop.DBus.NameHasOwner "$1" 2>/dev/null | grep -q true
}
if ! waitUntil 30 owned org.gnome.Shell; then
    echo "SKIP: GNOME Shell does not start here:"
    cat "$work/shell.log"
    exit $skip
fi
waitUntil 15 owned app.quorel.GnomeShell ||
    fail "GNOME Shell runs but the Quorel extension does not answer"
waitUntil 15 owned app.quorel.WindowTools ||
    fail "GNOME Shell runs but the tests' window tools extension does not answer"
export WAYLAND_DISPLAY=$display XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=GNOME
# Quorel's own windows go through the shell's XWayland, started when the first client comes.
xDisplay=$(sed -n 's/.*Using public X11 display \(:[0-9]*\).*/\1/p' "$work/shell.log" | head -n1)
xAuthority=$(compgen -G "$XDG_RUNTIME_DIR/.mutter-Xwaylandauth.*" | head -n1 || true)
[ -n "$xDisplay" ] && export DISPLAY=$xDisplay XAUTHORITY=$xAuthority
