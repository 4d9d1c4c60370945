#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later
# The installed Quorel (run inside scripts/with-desktop.sh, by package_install.sh): started as its
# desktop entry starts it, it shows its main window and points each browser's per-user manifest
# at the installed host; each system-wide manifest given starts a host that, spoken to as its
# browser would, brings back the app's welcome; and Chromium and Firefox ESR, each started with a
# fresh profile and nothing done by hand, come with the extension on, which links to the app.
#   installed_app.sh MANIFEST...
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
host=/usr/lib/quorel/quorel-browser-host

# shellcheck source=../../scripts/throwaway-home.sh
source "$here/../../scripts/throwaway-home.sh"

# With a Firefox and a Chromium profile folder, so that it writes its per-user manifests too.
mkdir -p "$HOME/.mozilla" "$XDG_CONFIG_HOME/chromium"
# Logging what the extensions report, so that a browser's front tab shows in the log.
QUOREL_BROWSER_LINK_LOG=1 quorel >"$work/app.log" 2>&1 &
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

# The browsers as a user starts them. Chromium through Debian's launcher, which hands whatever is
# in /usr/share/chromium/extensions to --load-extension (hence the package's file is elsewhere):
# it installs the packed extension from /usr/lib/chromium/extensions and turns it on unasked.
linked() { grep -q "^browser-link: [0-9]* $1 front " "$work/app.log"; }
chromium --no-first-run --no-default-browser-check --disable-sync --no-sandbox --disable-gpu \
    --password-store=basic about:blank >"$work/chromium.log" 2>&1 &
browser=$!
pids+=("$browser")
waitUntil 60 linked chromium || fail "Chromium's fresh profile did not come with the extension linked"
kill "$browser"
wait "$browser" || true
python3 - "$XDG_CONFIG_HOME/chromium/Default/Preferences" <<'PY' ||
import json, sys
# 2: an external extension from a preferences file, on from the start.
settings = json.load(open(sys.argv[1]))["extensions"]["settings"]
ours = [s for s in settings.values() if s.get("manifest", {}).get("short_name") == "Quorel"]
assert [(s.get("location"), s.get("disable_reasons")) for s in ours] == [(2, [])], ours
PY
    fail "Chromium did not install the extension from the package's external-extension file"

# Firefox ESR from the system scope, where Debian's build takes it unsigned and turned on.
mkdir "$work/firefox-profile"
MOZ_CRASHREPORTER_DISABLE=1 firefox-esr --no-remote --profile "$work/firefox-profile" about:blank \
    >"$work/firefox.log" 2>&1 &
browser=$!
pids+=("$browser")
waitUntil 60 linked firefox || fail "Firefox ESR's fresh profile did not come with the extension linked"
kill "$browser"
wait "$browser" || true
echo "installed app ok: main window, per-user manifests, ${#families[@]} hosts (${families[*]})," \
    "the extension linked from fresh Chromium and Firefox ESR profiles"
