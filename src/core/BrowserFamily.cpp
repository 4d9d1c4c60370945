#include "BrowserFamily.h"

#include "ports/Workspace.h"

#include <array>
#include <utility>

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

constexpr std::array keys{
    std::pair{BrowserFamily::Firefox, u"firefox"},
    std::pair{BrowserFamily::LibreWolf, u"librewolf"},
    std::pair{BrowserFamily::Chromium, u"chromium"},
    std::pair{BrowserFamily::Chrome, u"chrome"},
    std::pair{BrowserFamily::Brave, u"brave"},
    std::pair{BrowserFamily::Edge, u"edge"},
    std::pair{BrowserFamily::Vivaldi, u"vivaldi"},
    std::pair{BrowserFamily::Opera, u"opera"},
};

}  // namespace

BrowserFamily browserFamilyOfProgram(QStringView name) {
    name = name.mid(name.lastIndexOf(u'/') + 1);
    // An executable replaced by an upgrade while it runs.
    if (name.endsWith(u" (deleted)")) {
        name.chop(10);
    }
    if (name.endsWith(u".desktop", Qt::CaseInsensitive)) {
        name.chop(8);
    }
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

bool isGeckoFamily(BrowserFamily family) {
    return family == BrowserFamily::Firefox || family == BrowserFamily::LibreWolf;
}

QString browserFamilyName(BrowserFamily family) {
    switch (family) {
        case BrowserFamily::Firefox:
            return QStringLiteral("Firefox");
        case BrowserFamily::LibreWolf:
            return QStringLiteral("LibreWolf");
        case BrowserFamily::Chromium:
            return QStringLiteral("Chromium");
        case BrowserFamily::Chrome:
            return QStringLiteral("Google Chrome");
        case BrowserFamily::Brave:
            return QStringLiteral("Brave");
        case BrowserFamily::Edge:
            return QStringLiteral("Microsoft Edge");
        case BrowserFamily::Vivaldi:
            return QStringLiteral("Vivaldi");
        case BrowserFamily::Opera:
            return QStringLiteral("Opera");
        case BrowserFamily::Unknown:
            break;
    }
    return QStringLiteral("the browser");
}

QString browserExtensionsPage(BrowserFamily family) {
    if (isGeckoFamily(family)) {
        return QStringLiteral("about:addons");
    }
    // Each of the Chromium family answers to its own scheme as well as to chrome://.
    switch (family) {
        case BrowserFamily::Brave:
            return QStringLiteral("brave://extensions");
        case BrowserFamily::Edge:
            return QStringLiteral("edge://extensions");
        case BrowserFamily::Vivaldi:
            return QStringLiteral("vivaldi://extensions");
        case BrowserFamily::Opera:
            return QStringLiteral("opera://extensions");
        default:
            return QStringLiteral("chrome://extensions");
    }
}

QString browserFamilyKey(BrowserFamily family) {
    for (const auto& [known, key] : keys) {
        if (known == family) {
            return QString::fromUtf16(key);
        }
    }
    return QStringLiteral("unknown");
}

BrowserFamily browserFamilyFromKey(QStringView key) {
    for (const auto& [family, known] : keys) {
        if (key == QStringView(known)) {
            return family;
        }
    }
    return BrowserFamily::Unknown;
}

}  // namespace Quorel
