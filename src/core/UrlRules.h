// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "ports/BrowserScripting.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace Quorel {

// What one browser check decides from: taken on the main thread, read on the browser worker.
struct GuardSnapshot {
    QStringList enabledSites;  // the user's enabled domains, in list order
    bool blockYouTubeShorts = false;
    bool blockInstagramReels = false;
    bool blockAdultSites = false;
    QStringList adultDomains;
    bool focusActive = false;
    quint16 bridgePort = 49152;  // 0 while the bridge does not listen: blocked pages come from
                                 // the browser link itself
};

// The built-in adult domains, lower-case registrable names.
QStringList builtInAdultDomains();

inline constexpr QLatin1StringView youTubeHome{"https://www.youtube.com/"};
inline constexpr QLatin1StringView instagramHome{"https://www.instagram.com/"};

// An address's host as the domain rules see it: read as browsers read it (WebAddress.h), without
// a closing dot; a page's source is judged as the page. Empty only where no browser reads a host.
QString hostOfAddress(const QString& address);

// Whether host is domain itself or lies below it ("m.example.org" for "example.org"), never by
// letters alone ("badexample.org"); both are compared as browsers write hosts, so an
// international name matches in either spelling and "10.1" is "10.0.0.1". Text that is not a
// host on either side never matches.
bool hostMatches(const QString& host, const QString& domain);

// The bridge's blocked page for a domain: http://127.0.0.1:<port>/blocked?site=<domain, encoded>.
QString bridgePageAddress(const QString& domain, quint16 port);

// Whether address is a YouTube Shorts page (a youtube.com host with a path in /shorts/), or an
// Instagram Reels page (an instagram.com host with a path in /reel/ or /reels/). A search that
// mentions such an address, or a host that merely ends in those letters, is neither.
bool isYouTubeShorts(const QString& address);
bool isInstagramReels(const QString& address);

// Where the front tab must go instead of address, first rule that fires: adult sites, the user's
// sites (focus only), YouTube Shorts, Instagram Reels. nullopt leaves the tab alone.
std::optional<BrowserRedirect> redirectTarget(const GuardSnapshot& snapshot,
                                              const QString& address);

}  // namespace Quorel
