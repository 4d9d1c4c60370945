#pragma once

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
    quint16 bridgePort = 49152;
};

// The built-in adult domains, lower-case registrable names.
QStringList builtInAdultDomains();

inline constexpr QLatin1StringView youTubeHome{"https://www.youtube.com/"};
inline constexpr QLatin1StringView instagramHome{"https://www.instagram.com/"};

// An address's host as the domain rules see it: lower case, without a closing dot; empty when the
// text is not an absolute address with a host.
QString hostOfAddress(const QString& address);

// Whether host is domain itself or lies below it ("m.example.org" for "example.org"), never by
// letters alone ("badexample.org"). Empty text on either side never matches.
bool hostMatches(const QString& host, const QString& domain);

// The bridge's blocked page for a domain: http://127.0.0.1:<port>/blocked?site=<domain, encoded>.
QString bridgePageAddress(const QString& domain, quint16 port);

// Where the front tab must go instead of address, first rule that fires: adult sites, the user's
// sites (focus only), YouTube Shorts, Instagram Reels. nullopt leaves the tab alone.
std::optional<QString> redirectTarget(const GuardSnapshot& snapshot, const QString& address);

}  // namespace Quorel
