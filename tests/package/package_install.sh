#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package as a user gets it: lintian finds no error in it; it installs with apt; every
# file it should bring is there; the installed app, on a headless desktop, reaches all its parts
# and Chromium's and Firefox ESR's fresh profiles come with the extension linked to it
# (installed_app.sh); each browser takes the managed-policy example; and a purge leaves none of
# its files behind.
#   package_install.sh DEB
# Exits 77 (skipped) without the package (`make package` builds it), when not root, or when a
# Quorel that this test did not install is installed here (the test would remove it). Once it
# has installed the package, it purges it again however it ends, short of SIGKILL; the next run
# purges what a killed one left.
set -euo pipefail
deb=$1
here=$(cd "$(dirname "$0")" && pwd)
stamp=/run/quorel-package-test  # there while this test's package is installed

[ -f "$deb" ] || { echo "skipped: no $deb; \`make package\` builds it"; exit 77; }

# Built from dpkg-shlibdeps' findings, not a hand-kept list.
depends=$(dpkg-deb -f "$deb" Depends | tr ',' '\n' | awk '{ print $1 }')
for library in libc6 libqt6core6 libqt6quick6 libxcb1 libpulse0; do
    grep -qxF "$library" <<<"$depends" ||
        { echo "Depends lacks $library: $(dpkg-deb -f "$deb" Depends)"; exit 1; }
done
lintian --fail-on error --tag-display-limit 0 "$deb" || { echo "lintian found errors in $deb"; exit 1; }

[ "$(id -u)" -eq 0 ] || { echo "skipped: installing a package needs root"; exit 77; }
installed() { dpkg-query -W -f='${Status}' quorel 2>/dev/null | grep -q 'ok installed'; }
purge() {
    DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq quorel >"$work/purge.log" 2>&1 &&
        rm -f "$stamp"
}
source "$here/../../scripts/throwaway-home.sh"
trap '[ ! -e "$stamp" ] || purge || true; cleanup' EXIT
trap 'exit 143' TERM INT HUP
if installed && [ ! -e "$stamp" ]; then
    echo "skipped: quorel is installed on this machine, and this test would remove it"
    exit 77
fi
[ ! -e "$stamp" ] || purge || fail "apt-get could not purge what an earlier run left installed"

# Everything it needs is here already (scripts/install-deps.sh): the test installs nothing else.
others=$(apt-get install -s --no-install-recommends "$deb" 2>/dev/null |
    awk '$1 == "Inst" && $2 != "quorel" { print $2 }')
[ -z "$others" ] || fail "installing $deb would also install: ${others//$'\n'/ }"
touch "$stamp"
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$deb" \
    >"$work/install.log" 2>&1 || fail "apt-get could not install $deb"
dpkg-query -L quorel >"$work/files"

uuid=quorel@quorel.app
manifests=(
    /usr/lib/mozilla/native-messaging-hosts/app.quorel.browser_host.json
    /etc/chromium/native-messaging-hosts/app.quorel.browser_host.json
    /etc/opt/chrome/native-messaging-hosts/app.quorel.browser_host.json
    /etc/opt/edge/native-messaging-hosts/app.quorel.browser_host.json
    /etc/brave/native-messaging-hosts/app.quorel.browser_host.json
)
# Our extension's id in Chromium follows from the key in its manifest.
chromiumId=$(python3 - /usr/share/quorel/extension/manifest.json <<'PY'
import base64, hashlib, json, sys
key = base64.b64decode(json.load(open(sys.argv[1]))["key"])
print("".join(chr(ord("a") + int(c, 16)) for c in hashlib.sha256(key).hexdigest()[:32]))
PY
)
# What offers the extension to every user's browsers, and the policy examples.
offers=(
    "/usr/lib/chromium/extensions/$chromiumId.json"
    "/usr/share/google-chrome/extensions/$chromiumId.json"
    "/usr/share/microsoft-edge/extensions/$chromiumId.json"
    "/usr/share/mozilla/extensions/{ec8030f7-c20a-464f-9b0e-13a3a9e97384}/browser-link@quorel.app.xpi"
    /usr/share/quorel/quorel.crx /usr/share/quorel/chromium-update.xml
    /usr/share/quorel/policies/chromium/quorel.json /usr/share/quorel/policies/firefox/policies.json
)
for path in /usr/bin/quorel /usr/lib/quorel/quorel-browser-host /usr/lib/quorel/quorel-watch \
    /usr/lib/systemd/user/quorel.service \
    /usr/share/applications/quorel.desktop /usr/share/icons/hicolor/scalable/apps/quorel.svg \
    /usr/share/quorel/quorel.xpi /usr/share/doc/quorel/copyright "${manifests[@]}" "${offers[@]}"; do
    grep -qxF "$path" "$work/files" || fail "the package does not list $path"
    [ -f "$path" ] || fail "the package did not install $path"
done
# Both extensions whole, as they are in the sources.
diff -r "$here/../../extension" /usr/share/quorel/extension >"$work/diff.log" ||
    fail "/usr/share/quorel/extension is not the browser extension"
diff -r "$here/../../gnome-shell-extension" "/usr/share/gnome-shell/extensions/$uuid" \
    >"$work/diff.log" || fail "the GNOME Shell extension's folder is not the extension"
[ "$(command -v quorel)" = /usr/bin/quorel ] || fail "quorel is not the one on PATH"
for conffile in "${manifests[@]:1}"; do
    grep -qxF "$conffile" /var/lib/dpkg/info/quorel.conffiles || fail "$conffile is no conffile"
done
# The zip is the folder: the same files, the manifest at its top, for Firefox to install.
python3 - <<'PY' || fail "quorel.xpi is not the extension folder"
import os, zipfile
folder = "/usr/share/quorel/extension"
with zipfile.ZipFile("/usr/share/quorel/quorel.xpi") as xpi:
    assert sorted(xpi.namelist()) == sorted(os.listdir(folder)), xpi.namelist()
    for name in xpi.namelist():
        with open(os.path.join(folder, name), "rb") as file:
            assert xpi.read(name) == file.read(), name
PY
grep -q "\"uuid\": *\"$uuid\"" "/usr/share/gnome-shell/extensions/$uuid/metadata.json" ||
    fail "the GNOME Shell extension's folder is not named after its uuid"

"$here/../../scripts/with-desktop.sh" "$here/installed_app.sh" "${manifests[@]}" ||
    fail "the installed app failed"

# Each policy example where its browser reads managed policy, in a mount namespace of this test's
# own, so that no other browser on the machine sees it.
# withMounted FOLDER OVER COMMAND...: execs COMMAND with FOLDER standing in for OVER (so: in a
# subshell, or in the background, where $! is then COMMAND's pid).
withMounted() {
    # shellcheck disable=SC2016  # for the inner shell
    exec unshare -m sh -c 'mount --bind "$1" "$2" && shift 2 && exec "$@"' sh "$@"
}
cp -a /etc/chromium "$work/etc-chromium"
install -D -m 644 /usr/share/quorel/policies/chromium/quorel.json \
    "$work/etc-chromium/policies/managed/quorel.json"
(withMounted "$work/etc-chromium" /etc/chromium \
    python3 "$here/chromium_policy.py" "$work/chromium-policy" "$chromiumId") ||
    fail "Chromium did not take the policy example"
# Firefox ESR reads it from its distribution folder (or /etc/firefox/policies, not
# /etc/firefox-esr). With the extension in place already, the policy locks it in and lets it into
# private windows, which a fresh profile's extension-preferences.json shows.
distribution=$(readlink -f /usr/lib/firefox-esr/distribution)
cp -a "$distribution" "$work/firefox-distribution"
cp /usr/share/quorel/policies/firefox/policies.json "$work/firefox-distribution/"
mkdir "$work/firefox-policy"
MOZ_CRASHREPORTER_DISABLE=1 withMounted "$work/firefox-distribution" "$distribution" \
    firefox-esr --headless --no-remote --profile "$work/firefox-policy" about:blank \
    >"$work/firefox-policy.log" 2>&1 &
firefox=$!
pids+=("$firefox")
privateWindowsAllowed() {
    python3 - "$work/firefox-policy/extension-preferences.json" 2>/dev/null <<'PY'
import json, sys
granted = json.load(open(sys.argv[1])).get("browser-link@quorel.app", {}).get("permissions", [])
sys.exit("internal:privateBrowsingAllowed" not in granted)
PY
}
waitUntil 30 privateWindowsAllowed || fail "Firefox did not take the policy example"
kill "$firefox"
wait "$firefox" || true

purge || fail "apt-get could not purge quorel"
! installed || fail "quorel is still installed"
# What is left of the list is a folder that other packages still use, nothing else.
while read -r path; do
    [ "$path" != /. ] || continue
    [ -e "$path" ] || [ -L "$path" ] || continue
    [ -d "$path" ] && dpkg-query -S "$path" >/dev/null 2>&1 && continue
    fail "the purge left $path behind"
done <"$work/files"
echo "package ok: $(basename "$deb") installed, its app and its ${#manifests[@]} hosts answered," \
    "the browsers came with the extension and took the policies, purged without a trace"
