#pragma once

#include <QString>
#include <QStringView>

namespace Quorel {

// Which browser a display name stands for. The engine knows browsers by the names their desktop
// entries give ("Chromium Web Browser", "Firefox ESR"); the link knows them by program.
enum class BrowserFamily { Unknown, Firefox, Chromium, Chrome, Brave, Edge };

inline BrowserFamily browserFamilyFromName(const QString& name) {
    if (name.contains(QLatin1String("Firefox"), Qt::CaseInsensitive)) {
        return BrowserFamily::Firefox;
    }
    if (name.contains(QLatin1String("Brave"), Qt::CaseInsensitive)) {
        return BrowserFamily::Brave;
    }
    if (name.contains(QLatin1String("Edge"), Qt::CaseInsensitive)) {
        return BrowserFamily::Edge;
    }
    if (name.contains(QLatin1String("Chrome"), Qt::CaseInsensitive)) {
        return BrowserFamily::Chrome;
    }
    if (name.contains(QLatin1String("Chromium"), Qt::CaseInsensitive)) {
        return BrowserFamily::Chromium;
    }
    return BrowserFamily::Unknown;
}

// The family of a browser program, from the path of its executable (/proc/PID/exe of the
// browser that started the native-messaging host): /usr/lib/chromium/chromium,
// /opt/google/chrome/chrome, /opt/brave.com/brave/brave, /opt/microsoft/msedge/msedge,
// /usr/lib/firefox-esr/firefox-esr.
inline BrowserFamily browserFamilyFromExecutable(QStringView path) {
    const QStringView file = path.mid(path.lastIndexOf(u'/') + 1);
    if (file.contains(u"firefox", Qt::CaseInsensitive)) {
        return BrowserFamily::Firefox;
    }
    if (file.contains(u"brave", Qt::CaseInsensitive)) {
        return BrowserFamily::Brave;
    }
    if (file.contains(u"edge", Qt::CaseInsensitive)) {
        return BrowserFamily::Edge;
    }
    if (file.contains(u"chromium", Qt::CaseInsensitive)) {
        return BrowserFamily::Chromium;
    }
    if (file.contains(u"chrome", Qt::CaseInsensitive)) {
        return BrowserFamily::Chrome;
    }
    return BrowserFamily::Unknown;
}

// The family's name on the wire between the native-messaging host and the app.
inline QString browserFamilyKey(BrowserFamily family) {
    switch (family) {
        case BrowserFamily::Firefox:
            return QStringLiteral("firefox");
        case BrowserFamily::Chromium:
            return QStringLiteral("chromium");
        case BrowserFamily::Chrome:
            return QStringLiteral("chrome");
        case BrowserFamily::Brave:
            return QStringLiteral("brave");
        case BrowserFamily::Edge:
            return QStringLiteral("edge");
        case BrowserFamily::Unknown:
            break;
    }
    return QStringLiteral("unknown");
}

inline BrowserFamily browserFamilyFromKey(QStringView key) {
    for (const BrowserFamily family :
         {BrowserFamily::Firefox, BrowserFamily::Chromium, BrowserFamily::Chrome,
          BrowserFamily::Brave, BrowserFamily::Edge}) {
        if (key == browserFamilyKey(family)) {
            return family;
        }
    }
    return BrowserFamily::Unknown;
}

}  // namespace Quorel
