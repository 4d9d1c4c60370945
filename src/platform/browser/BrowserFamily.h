#pragma once

#include <QString>

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

}  // namespace Quorel
