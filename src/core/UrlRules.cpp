// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "UrlRules.h"

#include "WebAddress.h"

#include <QRegularExpression>
#include <QUrl>

namespace Quorel {

QStringList builtInAdultDomains() {
    return {
        QStringLiteral("pornhub.com"),    QStringLiteral("xvideos.com"),
        QStringLiteral("xnxx.com"),       QStringLiteral("xhamster.com"),
        QStringLiteral("redtube.com"),    QStringLiteral("youporn.com"),
        QStringLiteral("spankbang.com"),  QStringLiteral("onlyfans.com"),
        QStringLiteral("chaturbate.com"), QStringLiteral("brazzers.com"),
        QStringLiteral("tube8.com"),      QStringLiteral("eporner.com"),
    };
}

namespace {

// The address a tab shows, where it reaches a site; the page whose source a tab shows is the one
// it loads. Other schemes' "hosts" ("hs://x.example.org") name no site a browser reaches.
std::optional<WebAddress> loadedAddress(const QString& address) {
    std::optional<WebAddress> parsed = parseWebAddress(address);
    if (parsed && parsed->scheme == u"view-source") {
        parsed = parseWebAddress(QStringView(address).mid(address.indexOf(QLatin1Char(':')) + 1));
    }
    static const QStringList reachesASite{QStringLiteral("http"), QStringLiteral("https"),
                                          QStringLiteral("ws"), QStringLiteral("wss"),
                                          QStringLiteral("ftp")};
    if (parsed && !reachesASite.contains(parsed->scheme)) {
        return std::nullopt;
    }
    return parsed;
}

// "example.org." is the same site written as a fully qualified name.
QString withoutClosingDot(QString host) {
    if (host.endsWith(QLatin1Char('.'))) {
        host.chop(1);
    }
    return host;
}

bool sameOrBelow(QStringView host, QStringView domain) {
    return host == domain || (host.size() > domain.size() && host.endsWith(domain) &&
                              host[host.size() - domain.size() - 1] == QLatin1Char('.'));
}

// Whether a site, a host already written as browsers write it, lies on a listed domain.
bool siteOn(const QString& site, const QString& domain) {
    const QString listed = withoutClosingDot(canonicalHost(domain));
    return !site.isEmpty() && !listed.isEmpty() && sameOrBelow(site, listed);
}

// The page we send tabs to must not be sent there again, whatever the user has listed; the same
// path on another port is anyone's.
bool isBridgePage(const std::optional<WebAddress>& url, quint16 port) {
    return port != 0 && url && url->scheme == u"http" && url->host == u"127.0.0.1" &&
           url->port == port && url->path.startsWith(u"/blocked");
}

// Whether the address's host lies on domain and its path (any letter case, percent escapes read,
// repeated slashes taken as one, as the service's own server takes them) is one of sections or
// lies below one.
bool isSectionOf(const std::optional<WebAddress>& url, QLatin1StringView domain,
                 std::initializer_list<QLatin1StringView> sections) {
    if (!url || !siteOn(withoutClosingDot(url->host), QString(domain))) {
        return false;
    }
    QString path = QString::fromUtf8(QByteArray::fromPercentEncoding(url->path.toUtf8())).toLower();
    static const QRegularExpression repeatedSlashes(QStringLiteral("/{2,}"));
    path.replace(repeatedSlashes, QStringLiteral("/"));
    for (const QLatin1StringView section : sections) {
        if (path.startsWith(section) &&
            (path.size() == section.size() || path.at(section.size()) == QLatin1Char('/'))) {
            return true;
        }
    }
    return false;
}
}  // namespace

QString hostOfAddress(const QString& address) {
    const std::optional<WebAddress> url = loadedAddress(address);
    return url ? withoutClosingDot(url->host) : QString();
}

bool hostMatches(const QString& host, const QString& domain) {
    // Both sides written the one way browsers write hosts: "Bücher.de" is "xn--bcher-kva.de",
    // "127.1" is "127.0.0.1".
    return siteOn(withoutClosingDot(canonicalHost(host)), domain);
}

QString bridgePageAddress(const QString& domain, quint16 port) {
    // Only unreserved characters stay as typed, so a listed "a&b=c" cannot break the query.
    return QStringLiteral("http://127.0.0.1:") + QString::number(port) +
           QStringLiteral("/blocked?site=") + QString::fromLatin1(QUrl::toPercentEncoding(domain));
}

namespace {
bool isShorts(const std::optional<WebAddress>& url) {
    return isSectionOf(url, QLatin1StringView("youtube.com"), {QLatin1StringView("/shorts")});
}

bool isReels(const std::optional<WebAddress>& url) {
    return isSectionOf(url, QLatin1StringView("instagram.com"),
                       {QLatin1StringView("/reel"), QLatin1StringView("/reels")});
}
}  // namespace

bool isYouTubeShorts(const QString& address) {
    return isShorts(loadedAddress(address));
}

bool isInstagramReels(const QString& address) {
    return isReels(loadedAddress(address));
}

std::optional<BrowserRedirect> redirectTarget(const GuardSnapshot& snapshot,
                                              const QString& address) {
    // Read once: the host is already written as the listed domains are compared.
    const std::optional<WebAddress> url = loadedAddress(address);
    if (isBridgePage(url, snapshot.bridgePort)) {
        return std::nullopt;
    }
    const auto blockedPage = [&snapshot](const QString& domain) {
        // Without a bridge of ours, its port may be served by anyone: the link shows its own page.
        return snapshot.bridgePort == 0
                   ? BrowserRedirect{QString(), domain}
                   : BrowserRedirect{bridgePageAddress(domain, snapshot.bridgePort), domain};
    };
    const QString site = url ? withoutClosingDot(url->host) : QString();
    if (snapshot.blockAdultSites) {
        for (const QString& domain : snapshot.adultDomains) {
            if (siteOn(site, domain)) {
                return blockedPage(domain);
            }
        }
    }
    if (snapshot.focusActive) {
        for (const QString& domain : snapshot.enabledSites) {
            if (siteOn(site, domain)) {
                return blockedPage(domain);
            }
        }
    }
    if (snapshot.blockYouTubeShorts && isShorts(url)) {
        return BrowserRedirect{QString(youTubeHome), QString()};
    }
    if (snapshot.blockInstagramReels && isReels(url)) {
        return BrowserRedirect{QString(instagramHome), QString()};
    }
    return std::nullopt;
}

}  // namespace Quorel
