#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Browsers Quorel cannot guard, during strict focus with a website blocked (run inside
# scripts/with-desktop.sh): a fresh Chromium profile without the extension, and GNOME Web, which
# takes no extension at all. Each is hidden within a few seconds in front, the shield and the
# Blockers screen say why and what fixes it, and brought back it is hidden again at once.
set -euo pipefail
app=$1
here=$(cd "$(dirname "$0")" && pwd)

source "$here/../../scripts/a11y-session.sh"
source "$here/../../scripts/throwaway-home.sh"
python3 "$here/../../scripts/saved-document.py" --strict --focus-seconds 600 \
    --blocked-sites "example.org"

window() {
    local found deadline=$((SECONDS + 40))
    until found=$(xdotool search --limit 1 --onlyvisible --class "$1" 2>/dev/null | head -n1) &&
        [ -n "$found" ]; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.2
    done
    echo "$found"
}
iconic() { xprop -id "$1" WM_STATE 2>/dev/null | grep -q 'window state: Iconic'; }
atspi() { /usr/bin/python3 "$here/quorel_atspi.py" "$@"; }

QT_LOGGING_RULES="quorel.blocking.debug=true" "$app" >"$work/app.log" 2>&1 &
pids+=("$!")
atspi "Start Focus" || fail "could not start focus"

# guardedAway NAME CLASS NOTICE COMMAND...: the browser started by COMMAND is hidden once it has
# been in front unguarded, the shield names it with NOTICE, and activated again it goes at once.
guardedAway() {
    local name=$1 class=$2 notice=$3
    shift 3
    # Kept off the accessibility bus, where a hidden browser could keep the search for Quorel
    # waiting.
    NO_AT_BRIDGE=1 GTK_A11Y=none "$@" >"$work/$class.log" 2>&1 &
    local pid=$!
    pids+=("$pid")
    local browser
    browser=$(window "$class") || fail "$name shows no window"
    local begin=$SECONDS
    xdotool windowactivate "$browser" 2>/dev/null || true
    waitUntil 15 iconic "$browser" || fail "$name, unguarded in strict focus, was not hidden"
    echo "$name: hidden $((SECONDS - begin)) s after it came to the front"
    atspi --wait-for "$notice" || fail "the shield and the Blockers screen do not say: $notice"
    xdotool windowmap "$browser" windowactivate "$browser" 2>/dev/null || true
    waitUntil 3 iconic "$browser" || fail "$name, shown again, stayed"
    kill "$pid"
}

guardedAway Chromium chromium \
    "Quorel can't guard websites in Chromium: turn its extension back on in chrome://extensions" \
    chromium --user-data-dir="$work/fresh-profile" --no-first-run --no-default-browser-check \
    --disable-background-networking --disable-component-update --disable-sync --no-sandbox \
    --disable-gpu about:blank
guardedAway "GNOME Web" epiphany \
    "Quorel can't guard websites in Web: it takes no browser extension. Use Firefox or Chromium while you focus." \
    epiphany --private-instance about:blank
echo "unguarded browsers: a fresh Chromium profile and GNOME Web hidden in strict focus, and told why"
