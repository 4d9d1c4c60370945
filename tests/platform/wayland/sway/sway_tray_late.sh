#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later
# A StatusNotifierItem tray that starts after Quorel, for real: waybar's tray in a headless sway
# session, on a session bus of the test's own. Quorel's item is taken by waybar's watcher, shows
# the countdown that its menu starts, and is taken again when waybar comes back after a quit.
# Exits 77 (skipped) where sway, waybar or dbus-run-session is missing or sway cannot start.
set -euo pipefail
app=$1
for tool in waybar dbus-run-session gdbus; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
if [ -z "${QUOREL_TRAY_BUS:-}" ]; then
    QUOREL_TRAY_BUS=1 exec dbus-run-session -- "$0" "$@"
fi
here=$(cd "$(dirname "$0")" && pwd)
source "$here/sway_session.sh"

call() {  # destination path interface.method [arguments...]
    gdbus call --session --dest "$1" --object-path "$2" --method "$3" "${@:4}"
}
get() {  # destination path interface property
    call "$1" "$2" org.freedesktop.DBus.Properties.Get "$3" "$4"
}
watched() {
    get org.kde.StatusNotifierWatcher /StatusNotifierWatcher org.kde.StatusNotifierWatcher \
        RegisteredStatusNotifierItems 2>/dev/null | grep -q "$item"
}
toolTip() {
    get "$item" /StatusNotifierItem org.kde.StatusNotifierItem ToolTip
}
startWaybar() {
    waybar -c "$work/waybar.json" -l trace >"$work/waybar-$1.log" 2>&1 &
    waybar=$!
    pids+=("$waybar")
}
cat >"$work/waybar.json" <<'JSON'
{ "layer": "top", "position": "top", "height": 26, "modules-right": ["tray"],
  "tray": { "icon-size": 18, "spacing": 4 } }
JSON

"$app" >"$work/app.log" 2>&1 &
quorel=$!
pids+=("$quorel")
item=org.kde.StatusNotifierItem-$quorel-1
itemOnBus() {
    call org.freedesktop.DBus /org/freedesktop/DBus org.freedesktop.DBus.NameHasOwner "$item" |
        grep -q true
}
waitUntil 20 itemOnBus || fail "Quorel put no item on the bus"
sleep 1  # no tray yet: Quorel has nobody to register with

startWaybar first
waitUntil 20 watched || fail "waybar's watcher never got Quorel's item"
# waybar's host reads the item to draw it.
# waybar's host reads the picture and the tooltip to draw them (its trace log says so).
hostRead() { grep -q "ToolTip = ('', \[\], 'Quorel'" "$work/waybar-first.log" &&
    grep -q "IconPixmap = a(iiay)" "$work/waybar-first.log"; }
waitUntil 10 hostRead || fail "waybar did not read the item's picture and tooltip"
toolTip | grep -q "'Quorel'" || fail "the tooltip is not Quorel's idle title: $(toolTip)"

# "Start Focus" from the menu; the tooltip counts down.
layout=$(call "$item" /MenuBar com.canonical.dbusmenu.GetLayout 0 'int32 -1' '@as []')
grep -q "'Start Focus'" <<<"$layout" || fail "no Start Focus in the menu: $layout"
call "$item" /MenuBar com.canonical.dbusmenu.Event 2 clicked "<''>" 0 >/dev/null
countingDown() { toolTip | grep -Eq "'[0-9]+:[0-9]{2}'"; }
waitUntil 5 countingDown || fail "the tooltip shows no countdown: $(toolTip)"
first=$(toolTip)
moved() { [ "$(toolTip)" != "$first" ]; }
waitUntil 5 moved || fail "the countdown in the tooltip does not move: $first"

# The panel quits and comes back: the item is taken again.
kill "$waybar"
wait "$waybar" 2>/dev/null || true
gone() { ! watched; }
waitUntil 10 gone || fail "the watcher outlived waybar"
startWaybar second
waitUntil 20 watched || fail "waybar, back again, did not get Quorel's item"
kill -0 "$quorel" || fail "Quorel exited: $(cat "$work/app.log")"
echo "late tray ok: waybar took the item, its menu started the countdown, and a restart took it again"
