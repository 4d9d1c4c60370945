#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later
# The installed Quorel (run inside scripts/with-desktop.sh, by package_install.sh): started as its
# desktop entry starts it, it shows its main window and points each browser's per-user manifest
# at the installed host; each system-wide manifest given starts a host that, spoken to as its
# browser would, brings back the app's welcome.
#   installed_app.sh MANIFEST...
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
host=/usr/lib/quorel/quorel-browser-host

# shellcheck source=../../scripts/throwaway-home.sh
source "$here/../../scripts/throwaway-home.sh"

# With a Firefox and a Chromium profile folder, so that it writes its per-user manifests too.
mkdir -p "$HOME/.mozilla" "$XDG_CONFIG_HOME/chromium"
quorel >"$work/app.log" 2>&1 &
pids+=($!)
mainWindowShown() { xdotool search --onlyvisible --name '^Quorel$' >/dev/null 2>&1; }
waitUntil 20 mainWindowShown || fail "the installed app shows no main window"
waitUntil 10 test -S "$XDG_RUNTIME_DIR/quorel/browser-link" ||
    fail "the installed app does not listen for the browser link"
! grep -iE 'is not installed|module .* not found|cannot load|quorel-browser-host' "$work/app.log" ||
    fail "the installed app misses a part of itself"
for user in "$HOME/.mozilla/native-messaging-hosts" "$XDG_CONFIG_HOME/chromium/NativeMessagingHosts"; do
    grep -qF "\"path\": \"$host\"" "$user/app.quorel.browser_host.json" 2>/dev/null ||
        fail "the app's manifest in $user does not name $host"
done

# Each browser's registered host, started as that browser starts it, reaches the app.
families=()
for manifest in "$@"; do
    family=$(python3 "$here/speak_host.py" "$manifest") || fail "$family"
    families+=("$family")
done
# Each host told the app which browser started it, from the arguments that browser passes.
heard() {
    [ "$(grep -c "browser link from $1 (pid" "$work/app.log")" -eq \
        "$(printf '%s\n' "${families[@]}" | grep -cx "$1")" ]
}
for family in firefox chromium; do
    waitUntil 5 heard "$family" ||
        fail "the app did not hear each $family host say which browser started it"
done
echo "installed app ok: main window, per-user manifests, ${#families[@]} hosts (${families[*]})"
