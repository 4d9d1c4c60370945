#!/usr/bin/env bash
# The Debian package as a user gets it (run inside scripts/with-desktop.sh): lintian finds no
# error in it; it installs with apt; every file it should bring is there; the installed app
# starts, shows its main window and points the browsers at the installed host; each system-wide
# host manifest starts a host that, spoken to as its browser would, brings back the app's
# welcome; and a purge leaves none of its files behind.
#   package_install.sh DEB
# Exits 77 (skipped) without the package (`make package` builds it), when not root, or when
# Quorel is already installed here (the test would remove it). Whatever happens after the
# install, the package is purged again.
set -euo pipefail
deb=$1
here=$(cd "$(dirname "$0")" && pwd)
host=/usr/lib/quorel/quorel-browser-host

[ -f "$deb" ] || { echo "skipped: no $deb; \`make package\` builds it"; exit 77; }

# Built from dpkg-shlibdeps' findings, not a hand-kept list.
depends=$(dpkg-deb -f "$deb" Depends | tr ',' '\n' | awk '{ print $1 }')
for library in libc6 libqt6core6 libqt6quick6 libxcb1 libpulse0; do
    grep -qxF "$library" <<<"$depends" || { echo "Depends lacks $library:" $depends; exit 1; }
done
lintian --fail-on error --tag-display-limit 0 "$deb" ||
    { echo "lintian found errors in $deb"; exit 1; }

[ "$(id -u)" -eq 0 ] || { echo "skipped: installing a package needs root"; exit 77; }
if dpkg-query -W -f='${Status}' quorel 2>/dev/null | grep -q 'ok installed'; then
    echo "skipped: quorel is installed on this machine, and this test would remove it"
    exit 77
fi

# shellcheck source=../../scripts/throwaway-home.sh
source "$here/../../scripts/throwaway-home.sh"
installed=""
# The app goes first (cleanup stops it), then the package, whatever ended the script.
trap 'cleanup; [ -z "$installed" ] || dpkg --purge quorel >/dev/null 2>&1 || true' EXIT
trap 'exit 143' TERM INT HUP

# Everything it needs is here already (scripts/install-deps.sh): the test installs nothing else.
others=$(apt-get install -s --no-install-recommends "$deb" 2>/dev/null | awk '$1 == "Inst" && $2 != "quorel" { print $2 }')
[ -z "$others" ] || fail "installing $deb would also install: $others"
installed=1
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
for path in /usr/bin/quorel "$host" /usr/share/applications/quorel.desktop \
    /usr/share/icons/hicolor/scalable/apps/quorel.svg /usr/share/quorel/extension/manifest.json \
    /usr/share/quorel/quorel.xpi "/usr/share/gnome-shell/extensions/$uuid/metadata.json" \
    "/usr/share/gnome-shell/extensions/$uuid/extension.js" /usr/share/doc/quorel/copyright \
    "${manifests[@]}"; do
    grep -qxF "$path" "$work/files" && [ -f "$path" ] || fail "the package did not install $path"
done
[ "$(command -v quorel)" = /usr/bin/quorel ] || fail "quorel is not the one on PATH"
for conffile in "${manifests[@]:1}"; do
    grep -qxF "$conffile" /var/lib/dpkg/info/quorel.conffiles || fail "$conffile is no conffile"
done
# The zip is the folder: the same files, the manifest at its top, for Firefox to install.
python3 - "$work" <<'PY' || fail "quorel.xpi is not the extension folder"
import os, sys, zipfile
folder = "/usr/share/quorel/extension"
with zipfile.ZipFile("/usr/share/quorel/quorel.xpi") as xpi:
    assert sorted(xpi.namelist()) == sorted(os.listdir(folder)), xpi.namelist()
    for name in xpi.namelist():
        with open(os.path.join(folder, name), "rb") as file:
            assert xpi.read(name) == file.read(), name
PY
grep -q "\"uuid\": *\"$uuid\"" "/usr/share/gnome-shell/extensions/$uuid/metadata.json" ||
    fail "the GNOME Shell extension's folder is not named after its uuid"

# The installed app, as the desktop entry starts it; with a Firefox and a Chromium profile
# folder, so it writes its per-user host manifests too.
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
for manifest in "${manifests[@]}"; do
    family=$(python3 "$here/speak_host.py" "$manifest") || fail "$family"
    families+=("$family")
done
[ "${families[*]}" = "firefox chromium chromium chromium chromium" ] ||
    fail "the hosts spoke for ${families[*]}"
heard() { [ "$(grep -c "browser link from $1 (pid" "$work/app.log")" -eq "$2" ]; }
waitUntil 5 heard firefox 1 && waitUntil 5 heard chromium 4 ||
    fail "the app did not hear each host say which browser started it"

kill "${pids[@]}" && wait "${pids[@]}" 2>/dev/null || true
pids=()
DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq quorel >"$work/purge.log" 2>&1 ||
    fail "apt-get could not purge quorel"
installed=""
dpkg-query -W -f='${Status}' quorel 2>/dev/null | grep -q 'ok installed' && fail "quorel is still installed"
# What is left of the list is a folder that other packages still use, nothing else.
while read -r path; do
    [ "$path" != /. ] || continue
    [ -e "$path" ] || [ -L "$path" ] || continue
    [ -d "$path" ] && dpkg-query -S "$path" >/dev/null 2>&1 && continue
    fail "the purge left $path behind"
done <"$work/files"
echo "package ok: $(basename "$deb") installed, its app and its ${#manifests[@]} hosts answered, purged without a trace"
