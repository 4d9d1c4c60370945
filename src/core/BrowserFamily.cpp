// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "BrowserFamily.h"

#include "ports/Workspace.h"

#include <array>

namespace Quorel {

namespace {

struct Program {
    const char16_t* name;  // lower case, without a folder or ".desktop"
    BrowserFamily family;
};

// Desktop ids (Debian's, upstream packages', Flatpak's), window classes and executables.
constexpr std::array programs{
    Program{u"firefox", BrowserFamily::Firefox},
    Program{u"firefox-esr", BrowserFamily::Firefox},
    Program{u"firefox-bin", BrowserFamily::Firefox},
    Program{u"firefox-developer-edition", BrowserFamily::Firefox},
    Program{u"firefox-nightly", BrowserFamily::Firefox},
    Program{u"org.mozilla.firefox", BrowserFamily::Firefox},
    Program{u"librewolf", BrowserFamily::LibreWolf},
    Program{u"librewolf-bin", BrowserFamily::LibreWolf},
    Program{u"io.gitlab.librewolf-community", BrowserFamily::LibreWolf},
    Program{u"chromium", BrowserFamily::Chromium},
    Program{u"chromium-browser", BrowserFamily::Chromium},
    Program{u"org.chromium.chromium", BrowserFamily::Chromium},
    Program{u"chrome", BrowserFamily::Chrome},
    Program{u"google-chrome", BrowserFamily::Chrome},
    Program{u"google-chrome-stable", BrowserFamily::Chrome},
    Program{u"google-chrome-beta", BrowserFamily::Chrome},
    Program{u"google-chrome-unstable", BrowserFamily::Chrome},
    Program{u"com.google.chrome", BrowserFamily::Chrome},
    Program{u"brave", BrowserFamily::Brave},
    Program{u"brave-browser", BrowserFamily::Brave},
    Program{u"brave-browser-stable", BrowserFamily::Brave},
    Program{u"brave-browser-beta", BrowserFamily::Brave},
    Program{u"brave-browser-nightly", BrowserFamily::Brave},
    Program{u"com.brave.browser", BrowserFamily::Brave},
    Program{u"msedge", BrowserFamily::Edge},
    Program{u"microsoft-edge", BrowserFamily::Edge},
    Program{u"microsoft-edge-stable", BrowserFamily::Edge},
    Program{u"microsoft-edge-beta", BrowserFamily::Edge},
    Program{u"microsoft-edge-dev", BrowserFamily::Edge},
    Program{u"com.microsoft.edge", BrowserFamily::Edge},
    Program{u"vivaldi", BrowserFamily::Vivaldi},
    Program{u"vivaldi-bin", BrowserFamily::Vivaldi},
    Program{u"vivaldi-stable", BrowserFamily::Vivaldi},
    Program{u"vivaldi-snapshot", BrowserFamily::Vivaldi},
    Program{u"com.vivaldi.vivaldi", BrowserFamily::Vivaldi},
    Program{u"opera", BrowserFamily::Opera},
    Program{u"opera-beta", BrowserFamily::Opera},
    Program{u"opera-developer", BrowserFamily::Opera},
    Program{u"com.opera.opera", BrowserFamily::Opera},
};

// Browsers that take no extension of ours, known by program even where no desktop entry files
// them under web browsers.
constexpr std::array unguardablePrograms{u"epiphany",
                                         u"epiphany-browser",
                                         u"org.gnome.epiphany",
                                         u"falkon",
                                         u"org.kde.falkon",
                                         u"qutebrowser",
                                         u"org.qutebrowser.qutebrowser",
                                         u"konqueror",
                                         u"org.kde.konqueror",
                                         u"midori",
                                         u"luakit",
                                         u"nyxt",
                                         u"netsurf",
                                         u"netsurf-gtk",
                                         u"netsurf-gtk3",
                                         u"dillo",
                                         u"badwolf",
                                         u"vimb",
                                         u"angelfish",
                                         u"org.kde.angelfish"};

// A desktop id, class or executable path down to the program's bare name.
QStringView programStem(QStringView name) {
    name = name.mid(name.lastIndexOf(u'/') + 1);
    // An executable replaced by an upgrade while it runs.
    if (name.endsWith(u" (deleted)")) {
        name.chop(10);
    }
    if (name.endsWith(u".desktop", Qt::CaseInsensitive)) {
        name.chop(8);
    }
    return name;
}

struct Names {
    BrowserFamily family;
    const char16_t* key;   // on the wire
    const char16_t* name;  // as people call it
    const char16_t* extensionsPage;
};

constexpr std::array families{
    Names{BrowserFamily::Firefox, u"firefox", u"Firefox", u"about:addons"},
    Names{BrowserFamily::LibreWolf, u"librewolf", u"LibreWolf", u"about:addons"},
    Names{BrowserFamily::Chromium, u"chromium", u"Chromium", u"chrome://extensions"},
    Names{BrowserFamily::Chrome, u"chrome", u"Google Chrome", u"chrome://extensions"},
    Names{BrowserFamily::Brave, u"brave", u"Brave", u"brave://extensions"},
    Names{BrowserFamily::Edge, u"edge", u"Microsoft Edge", u"edge://extensions"},
    Names{BrowserFamily::Vivaldi, u"vivaldi", u"Vivaldi", u"vivaldi://extensions"},
    Names{BrowserFamily::Opera, u"opera", u"Opera", u"opera://extensions"},
};

}  // namespace

BrowserFamily browserFamilyOfProgram(QStringView name) {
    name = programStem(name);
    for (const Program& program : programs) {
        if (name.compare(QStringView(program.name), Qt::CaseInsensitive) == 0) {
            return program.family;
        }
    }
    return BrowserFamily::Unknown;
}

BrowserFamily browserFamilyOf(const RunningApplication& application) {
    for (const QString* name :
         {&application.identity, &application.windowClass, &application.executable}) {
        if (const BrowserFamily family = browserFamilyOfProgram(*name);
            family != BrowserFamily::Unknown) {
            return family;
        }
    }
    return BrowserFamily::Unknown;
}

bool isWebBrowser(const RunningApplication& application) {
    if (application.isThisProgram) {
        return false;
    }
    if (application.isWebBrowser || browserFamilyOf(application) != BrowserFamily::Unknown) {
        return true;
    }
    for (const QString* name :
         {&application.identity, &application.windowClass, &application.executable}) {
        const QStringView stem = programStem(*name);
        for (const char16_t* program : unguardablePrograms) {
            if (stem.compare(QStringView(program), Qt::CaseInsensitive) == 0) {
                return true;
            }
        }
    }
    return false;
}

bool isGeckoFamily(BrowserFamily family) {
    return family == BrowserFamily::Firefox || family == BrowserFamily::LibreWolf;
}

namespace {
const Names* namesOf(BrowserFamily family) {
    for (const Names& names : families) {
        if (names.family == family) {
            return &names;
        }
    }
    return nullptr;
}
}  // namespace

QString browserFamilyName(BrowserFamily family) {
    const Names* names = namesOf(family);
    return names ? QString::fromUtf16(names->name) : QStringLiteral("the browser");
}

// Each of the Chromium family answers to its own scheme as well as to chrome://.
QString browserExtensionsPage(BrowserFamily family) {
    const Names* names = namesOf(family);
    return names ? QString::fromUtf16(names->extensionsPage)
                 : QStringLiteral("chrome://extensions");
}

QString privateWindowsStep(BrowserFamily family) {
    return isGeckoFamily(family)
               ? QStringLiteral("allow \"Run in Private Windows\" for Quorel in %1")
                     .arg(browserExtensionsPage(family))
               : QStringLiteral("turn on \"Allow in Incognito\" for Quorel in %1")
                     .arg(browserExtensionsPage(family));
}

QString browserFamilyKey(BrowserFamily family) {
    const Names* names = namesOf(family);
    return names ? QString::fromUtf16(names->key) : QStringLiteral("unknown");
}

BrowserFamily browserFamilyFromKey(QStringView key) {
    for (const Names& names : families) {
        if (key == QStringView(names.key)) {
            return names.family;
        }
    }
    return BrowserFamily::Unknown;
}

}  // namespace Quorel
