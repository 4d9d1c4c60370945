#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs every Debian package that building, running and testing Quorel needs.
# Idempotent and non-interactive; run as root (or through sudo).
set -euo pipefail

packages=(
  # toolchain; clang and its libFuzzer runtime for the fuzzers
  build-essential cmake ninja-build pkg-config clang-format clang libclang-rt-14-dev
  # the linters `make lint` runs beside clang-format: scripts, licence headers
  shellcheck reuse
  # Qt 6
  qt6-base-dev qt6-base-dev-tools qt6-declarative-dev qt6-declarative-dev-tools
  qt6-svg-dev qt6-l10n-tools qt6-websockets-dev
  qml6-module-qtquick qml6-module-qtquick-controls qml6-module-qtquick-layouts
  qml6-module-qtquick-window qml6-module-qtquick-templates qml6-module-qtqml-workerscript
  qml6-module-qtquick-shapes qml6-module-qtqml
  libgl-dev
  # X11 and the event sound
  libxcb1-dev libxcb-ewmh-dev libxcb-icccm4-dev
  # time since the last input on X11 (the MIT-SCREEN-SAVER extension)
  libxcb-screensaver0-dev
  libcanberra-dev sound-theme-freedesktop
  # ambient sound output (the sound server's client library, and SDL where there is none), and a
  # sound server with a null sink for its tests
  libsdl2-dev libpulse-dev pulseaudio pulseaudio-utils
  # benchmarks; nginx and wrk for the bridge's
  libbenchmark-dev nginx-light wrk
  # headless desktop for the end-to-end tests and the process measurements
  xvfb xauth openbox xterm x11-apps x11-utils xdotool wmctrl trayer procps python3
  # the peer `make measure` compares against: a tray program in the same tray, on the same bus
  rsibreak
  # speaking HTTP to the bridge
  curl
  # another reading of web addresses (Node's URL) for the address parser's test, and the
  # extension's rules tested on their own
  nodejs
  # the screen-reader view of the app: a session bus, AT-SPI and its Python client
  dbus at-spi2-core python3-pyatspi
  # a screen saver played by the test of time away, on that bus
  python3-dbus
  # a real browser for the DevTools link's end-to-end test
  chromium
  # a browser that takes no extension, which strict focus hides
  epiphany-browser
  # the extension's end-to-end tests: Firefox ESR, a test CA for it, the extension as an .xpi
  firefox-esr libnss3-tools openssl zip
  # a headless sway session, a native Wayland client in it, and Qt's Wayland platform
  sway foot qt6-wayland
  # a StatusNotifierItem tray that starts after the app: waybar's, in that sway session
  waybar
  # idle time from Wayland compositors (ext-idle-notify-v1, KDE's idle protocol), and typing
  # into a headless sway to end it
  libwayland-dev libwayland-bin wayland-protocols plasma-wayland-protocols wtype
  # a headless KWin (Plasma's compositor) and Qt's Wayland platform for its test window
  kwin-wayland qt6-wayland
  # a headless GNOME Shell with our extension, and the GObject bindings its test reads it with
  gnome-shell python3-gi foot
  # German and French desktops, for the browser guard's tests in other languages
  locales
  # the Debian package (`make package`): dpkg-shlibdeps for its dependencies, file for CPack to
  # find the programs it hands it; lintian to check it; signing the extension's CRX
  dpkg-dev file lintian python3-cryptography
)

# The locales those tests run in; generated once, whatever else is already installed.
wanted_locales=(de_DE.UTF-8 fr_FR.UTF-8)
generateLocales() {
  local missing_locales=()
  for l in "${wanted_locales[@]}"; do
    locale -a 2>/dev/null | grep -qix "${l/UTF-8/utf8}" || missing_locales+=("$l")
  done
  [ ${#missing_locales[@]} -eq 0 ] && return 0
  for l in "${missing_locales[@]}"; do
    $SUDO sed -i "s/^# *\($l UTF-8\)/\1/" /etc/locale.gen
    grep -q "^$l UTF-8" /etc/locale.gen || echo "$l UTF-8" | $SUDO tee -a /etc/locale.gen >/dev/null
  done
  $SUDO locale-gen >/dev/null
  echo "install-deps: generated ${missing_locales[*]}"
}

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all ${#packages[@]} packages present"
  generateLocales
  exit 0
fi

export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
echo "install-deps: installed ${missing[*]}"
generateLocales
