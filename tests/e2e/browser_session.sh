# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later

# shellcheck shell=bash
# Sourced by the browser end-to-end and measuring scripts, after throwaway-home.sh: a real browser
# with the Quorel extension in a throw-away profile, every website served by a local test server,
# and the app with a prepared document, its own bridge port and link socket.
#   browserSession BROWSER APP   BROWSER is chromium or firefox
# then openAddress URL, frontIs PREFIX, reachedSince MS PREFIX, frontUrl, frontTitle,
# openPrivateWindow, fetched HOST/PATH, rulesApplied, stopHost, restartBrowser, windowTitle,
# switchOffExtension (Firefox started with MARIONETTE=1). PRIVATE_ACCESS=1 allows the extension
# in private windows beforehand; BRIDGE_PORT_HELD=1 has another server take the bridge's port before the app starts.
# The app logs every front-tab report it hears (QUOREL_BROWSER_LINK_LOG), so the tab's address and
# title are read from the app's own view of the browser.

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

work=${work:?source throwaway-home.sh first}
freePort() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }

# A CA of our own and a certificate for every test host, signed by it.
makeCertificates() {
    local dir=$work/tls
    mkdir -p "$dir"
    openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 \
        -keyout "$dir/ca.key" -out "$dir/ca.pem" -subj "/CN=Quorel test CA" \
        -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign" 2>/dev/null
    openssl req -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes \
        -keyout "$dir/site.key" -out "$dir/site.csr" -subj "/CN=quorel test sites" 2>/dev/null
    printf '%s\n' "subjectAltName=DNS:example.org,DNS:*.example.org,DNS:example.net,DNS:*.example.net,DNS:youtube.com,DNS:*.youtube.com,DNS:pornhub.com,DNS:*.pornhub.com" \
        "basicConstraints=CA:FALSE" "extendedKeyUsage=serverAuth" >"$dir/site.ext"
    openssl x509 -req -in "$dir/site.csr" -CA "$dir/ca.pem" -CAkey "$dir/ca.key" -CAcreateserial \
        -days 2 -out "$dir/site.pem" -extfile "$dir/site.ext" 2>/dev/null
}

# writeDocument FOCUS_SECONDS: example.org (or BLOCKED_SITES, commas between) on the block list,
# Shorts and adult sites guarded; FOCUS_RUNNING=1: focus runs from the start.
writeDocument() {
    python3 "$repo/scripts/saved-document.py" --focus-seconds "$1" --adult-sites \
        --blocked-sites "${BLOCKED_SITES:-example.org}" ${FOCUS_RUNNING:+--running}
}

hostManifest() {
    case $browser in
        chromium) echo "$XDG_CONFIG_HOME/chromium/NativeMessagingHosts/app.quorel.browser_host.json" ;;
        firefox) echo "$HOME/.mozilla/native-messaging-hosts/app.quorel.browser_host.json" ;;
    esac
}

startChromium() {
    # The default profile folder under the throw-away config home: that is where the app put the
    # host manifest, and a profile elsewhere would rename the window class.
    if [ -n "${PRIVATE_ACCESS:-}" ]; then
        # What "Allow in Incognito" on chrome://extensions writes.
        mkdir -p "$XDG_CONFIG_HOME/chromium/Default"
        printf '{"extensions":{"settings":{"%s":{"incognito":true}}}}\n' "$chromiumExtension" \
            >"$XDG_CONFIG_HOME/chromium/Default/Preferences"
    fi
    chromium --no-first-run --no-default-browser-check --disable-background-networking \
        --disable-component-update --disable-sync --no-sandbox --disable-gpu \
        --disable-popup-blocking \
        --load-extension="$repo/extension,$repo/tests/e2e/switch-off-extension" --proxy-server="http://127.0.0.1:$proxyPort" \
        --ignore-certificate-errors --password-store=basic --window-size=1200,760 \
        about:blank >>"$work/browser.log" 2>&1 &
    browserPid=$!
    pids+=("$browserPid")
}

startFirefox() {
    local profile=$work/firefox-profile
    if [ -e "$profile" ]; then
        firefoxWithProfile "$profile"
        return
    fi
    mkdir -p "$profile/extensions"
    (cd "$repo/extension" && zip -q -r "$profile/extensions/browser-link@quorel.app.xpi" .)
    if [ -n "${PRIVATE_ACCESS:-}" ]; then
        # What "Run in Private Windows" in about:addons writes.
        printf '{"browser-link@quorel.app":{"permissions":["internal:privateBrowsingAllowed"],"origins":[]}}\n' \
            >"$profile/extension-preferences.json"
    elif [ -n "${LIFECYCLE:-}" ]; then
        # The host access Firefox grants at install and keeps on disk once it has saved; a
        # browser killed within seconds of its first start would lose it, and the rules with it.
        printf '{"browser-link@quorel.app":{"permissions":[],"origins":["<all_urls>"]}}\n' \
            >"$profile/extension-preferences.json"
    fi
    marionettePort=$(freePort)
    certutil -N -d "sql:$profile" --empty-password
    certutil -A -d "sql:$profile" -n "Quorel test CA" -t "C,," -i "$work/tls/ca.pem"
    cat >"$profile/user.js" <<PREFS
user_pref("xpinstall.signatures.required", false);
user_pref("extensions.autoDisableScopes", 0);
user_pref("extensions.enabledScopes", 15);
user_pref("network.proxy.type", 1);
user_pref("network.proxy.http", "127.0.0.1");
user_pref("network.proxy.http_port", $proxyPort);
user_pref("network.proxy.ssl", "127.0.0.1");
user_pref("network.proxy.ssl_port", $proxyPort);
user_pref("network.proxy.allow_hijacking_localhost", false);
user_pref("network.captive-portal-service.enabled", false);
user_pref("network.connectivity-service.enabled", false);
user_pref("browser.shell.checkDefaultBrowser", false);
user_pref("browser.startup.page", 0);
user_pref("browser.startup.homepage_override.mstone", "ignore");
user_pref("browser.aboutwelcome.enabled", false);
user_pref("browser.newtabpage.enabled", false);
user_pref("datareporting.policy.dataSubmissionEnabled", false);
user_pref("toolkit.telemetry.reportingpolicy.firstRun", false);
user_pref("app.update.enabled", false);
user_pref("browser.safebrowsing.malware.enabled", false);
user_pref("browser.safebrowsing.phishing.enabled", false);
user_pref("extensions.update.enabled", false);
user_pref("browser.tabs.warnOnClose", false);
user_pref("browser.warnOnQuitShortcut", false);
user_pref("browser.sessionstore.resume_from_crash", false);
user_pref("dom.disable_open_during_load", false);
user_pref("marionette.port", $marionettePort);
user_pref("remote.prefs.recommended", false);
PREFS
    firefoxWithProfile "$profile"
}

# Marionette only lets a test remove the extension as about:addons would.
firefoxWithProfile() {
    MOZ_CRASHREPORTER_DISABLE=1 firefox-esr --no-remote --profile "$1" \
        ${MARIONETTE:+--marionette --remote-allow-system-access} about:blank >>"$work/browser.log" 2>&1 &
    browserPid=$!
    pids+=("$browserPid")
}

# Ends the browser with a plain kill, and starts it again on the same profile.
restartBrowser() {
    kill -TERM "$browserPid"
    gone() { ! kill -0 "$browserPid" 2>/dev/null; }
    waitUntil 30 gone || fail "$browser did not quit"
    case $browser in
        chromium) startChromium ;;
        firefox) startFirefox ;;
    esac
    waitUntil 60 findBrowserWindow || fail "no $browser window after the restart"
}

# The browser's window title, which tells the page in front without the app.
windowTitle() { xdotool getwindowname "$browserWindow" 2>/dev/null; }

# Switches the extension off mid-focus as a user would: Chromium's toggle in chrome://extensions
# (through a test extension that holds the "management" permission) and Firefox's in about:addons.
switchOffExtension() {
    case $browser in
        chromium) openAddress "https://example.net/off#switch-off-quorel" ;;
        firefox) python3 "$repo/tests/e2e/firefox_addon_off.py" "$marionettePort" browser-link@quorel.app ;;
    esac
}

# startApp APP: appends to the one app log, so a restarted app is read in the same place.
startApp() {
    "$1" >>"$work/app.log" 2>&1 &
    appPid=$!
    pids+=("$appPid")
}

# browserSession BROWSER APP [FOCUS_SECONDS]
browserSession() {
    browser=$1
    local app=$2
    makeCertificates
    python3 "$repo/tests/e2e/browser_test_server.py" "$work/tls/site.pem" "$work/tls/site.key" \
        "$work/proxy-port" 2>"$work/test-server.log" &
    pids+=("$!")
    waitUntil 10 test -s "$work/proxy-port" || fail "the test server did not start"
    proxyPort=$(cat "$work/proxy-port")
    bridgePort=$(freePort)
    writeDocument "${3:-600}"
    if [ -n "${BRIDGE_PORT_HELD:-}" ]; then
        # Any local user can take the port first; its server must never see a request of ours.
        python3 -m http.server --bind 127.0.0.1 "$bridgePort" 2>"$work/squatter.log" >&2 &
        pids+=("$!")
        waitUntil 10 curl -s -o /dev/null "http://127.0.0.1:$bridgePort/" ||
            fail "the squatting server did not start"
        : >"$work/squatter.log"
    fi

    export QUOREL_BRIDGE_PORT=$bridgePort QUOREL_BROWSER_SOCKET=$work/browser-link
    export QUOREL_BROWSER_LINK_LOG=1
    startApp "$app"
    # The app installs the host manifest at start; the browser is started only after that, as
    # on a desktop where Quorel starts with the session.
    waitUntil 20 test -s "$(hostManifest)" || fail "the app did not install the $browser host manifest"
    case $browser in
        chromium) startChromium ;;
        firefox) startFirefox ;;
    esac
    waitUntil 60 findBrowserWindow || fail "no $browser window"
    waitUntil 60 grep -q "browser link from $browser" "$work/app.log" ||
        fail "the $browser extension's host never reached the app"
    waitUntil 20 frontSeen || fail "the app heard no front tab from $browser"
}

findBrowserWindow() {
    browserWindow=$(xdotool search --onlyvisible --class "$browser" 2>/dev/null | head -n1 || true)
    [ -n "$browserWindow" ]
}
frontSeen() { grep -q "^browser-link: [0-9]* $browser front " "$work/app.log"; }
# The latest report: "<ms> <url> <status> <focused> <title>".
lastReport() {
    grep "^browser-link: [0-9]* $browser front " "$work/app.log" | tail -n1 |
        sed -E 's/^browser-link: ([0-9]+) [a-z]+ front (.*) status=([a-z]*) focused=([01]) title=(.*)$/\1 \2 \3 \4 \5/'
}
frontUrl() { lastReport | cut -d' ' -f2; }
frontStatus() { lastReport | cut -d' ' -f3; }
frontTitle() { lastReport | cut -d' ' -f5-; }
# frontIs PREFIX [STATUS]: the latest report's address starts with PREFIX (globs allowed).
frontIs() {
    # shellcheck disable=SC2254  # the prefix may hold a glob
    case "$(frontUrl)" in $1*) ;; *) return 1 ;; esac
    [ -z "${2:-}" ] || [ "$(frontStatus)" = "$2" ]
}
frontEquals() { [ "$(frontUrl)" = "$1" ] && { [ -z "${2:-}" ] || [ "$(frontStatus)" = "$2" ]; }; }
# The first report, after epoch-ms T, of an address starting with PREFIX (globs allowed): its
# time in ms. reachedSince T PREFIX: there is one.
reportedAfter() {
    grep "^browser-link: [0-9]* $browser front " "$work/app.log" |
        awk -v t0="$1" '$2 > t0 { print $2, $5 }' | while read -r at url; do
            # shellcheck disable=SC2254  # the prefix may hold a glob
            case $url in $2*) echo "$at"; break ;; esac
        done
}
reachedSince() { [ -n "$(reportedAfter "$1" "$2")" ]; }

# The extension's own blocked page, where blocked sites go: blocked.html?site=SITE.
# shellcheck disable=SC2034  # read by the scripts that source this one
ownPage="*-extension://*/blocked.html?site="
# fetched HOST/PATH: the test server served https://HOST/PATH (query included) at least once.
fetched() { grep -qF "fetched https://$1" "$work/test-server.log"; }
# The number of browser rules the extension said it put in force last; empty before any.
rulesApplied() {
    grep "^browser-link: [0-9]* $browser applied rules=" "$work/app.log" | tail -n1 | sed 's/.*rules=//'
}
# Kills the browser's native-messaging host (the browser starts another when the extension
# reconnects): the child of the browser that the app's log names.
stopHost() {
    local parent
    parent=$(grep -o "browser link from $browser (pid [0-9]*)" "$work/app.log" | tail -n1 | tr -dc 0-9)
    local host
    host=$(pgrep -P "$parent" -f quorel-browser-host | head -n1)
    [ -n "$host" ] || fail "no $browser host found under pid $parent"
    kill -KILL "$host"
}

lastFocused() { [ "$(lastReport | cut -d' ' -f4)" = "$1" ]; }

chromiumExtension=eiadijnobmbadaafjdiacpbbdmdjhomp
activeWindow=
activateBrowser() { xdotool windowactivate --sync "${activeWindow:-$browserWindow}" 2>/dev/null || true; }
# Opens a private window as a person would, with the browser's shortcut; the address helpers
# then type into it until activeWindow is emptied.
openPrivateWindow() {
    activateBrowser
    local before
    before=$(xdotool getactivewindow)
    case $browser in
        chromium) xdotool key --clearmodifiers ctrl+shift+n ;;
        firefox) xdotool key --clearmodifiers ctrl+shift+p ;;
    esac
    newWindow() { activeWindow=$(xdotool getactivewindow 2>/dev/null) && [ "$activeWindow" != "$before" ]; }
    waitUntil 20 newWindow || fail "no private window opened in $browser"
    sleep 1  # the window takes keys once its address bar is up
}
# Types the address into the front tab's address bar, as a person would; Return loads it.
typeAddress() {
    activateBrowser
    xdotool key --clearmodifiers ctrl+l
    sleep 0.2
    xdotool type --delay 2 "$1"
}
openAddress() {
    typeAddress "$1"
    xdotool key Return
}
