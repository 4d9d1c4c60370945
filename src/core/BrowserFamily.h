// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>
#include <QStringView>

namespace Quorel {

struct RunningApplication;

// A browser as the guard knows it: by program, never by the name a menu shows, which the desktop
// translates ("Chromium-Webbrowser", "Navigateur Web Chromium").
enum class BrowserFamily {
    Unknown,
    Firefox,
    LibreWolf,
    Chromium,
    Chrome,
    Brave,
    Edge,
    Vivaldi,
    Opera
};

// The family one of a program's names stands for: a desktop file id ("chromium.desktop",
// "org.mozilla.firefox.desktop"), a window class or Wayland app id ("Chromium", "firefox-esr"), or
// the path of its executable ("/usr/lib/chromium/chromium"). Letter case does not count.
BrowserFamily browserFamilyOfProgram(QStringView name);

// The first family that the application's desktop id, window class or executable gives.
BrowserFamily browserFamilyOf(const RunningApplication& application);

// Whether the application is a web browser: one of the families above, one that its desktop entry
// files under web browsers, or one of the browsers known to take no extension of ours (GNOME Web,
// Falkon, qutebrowser, Konqueror...). Never this program.
bool isWebBrowser(const RunningApplication& application);

// Firefox and its forks take the same extension; the rest are of the Chromium family.
bool isGeckoFamily(BrowserFamily family);

// How people call the browser ("Chromium", "Microsoft Edge"), and where it lists its extensions
// ("chrome://extensions", "about:addons").
QString browserFamilyName(BrowserFamily family);
QString browserExtensionsPage(BrowserFamily family);
// The one step that lets the extension into the family's private windows, as a clause:
// "allow "Run in Private Windows" for Quorel in about:addons".
QString privateWindowsStep(BrowserFamily family);

// The family's name on the wire between the native-messaging host and the app, and back.
QString browserFamilyKey(BrowserFamily family);
BrowserFamily browserFamilyFromKey(QStringView key);

}  // namespace Quorel
