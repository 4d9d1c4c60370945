// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "UrlRules.h"

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

QString hostOfAddress(const QString& address) {
    const QUrl url(address, QUrl::StrictMode);
    if (!url.isValid() || url.isRelative()) {
        return {};
    }
    QString host = url.host().toLower();
    // "example.org." is the same site written as a fully qualified name.
    if (host.endsWith(QLatin1Char('.'))) {
        host.chop(1);
    }
    return host;
}

namespace {
bool sameOrBelow(QStringView host, QStringView domain) {
    return host == domain || (host.size() > domain.size() && host.endsWith(domain) &&
                              host[host.size() - domain.size() - 1] == QLatin1Char('.'));
}

// The page we send tabs to must not be sent there again, whatever the user has listed.
bool isBridgePage(const QString& address, quint16 port) {
    const QUrl url(address);
    return port != 0 && url.scheme() == QLatin1String("http") &&
           url.host() == QLatin1String("127.0.0.1") && url.port() == port &&
           url.path().startsWith(QLatin1String("/blocked"));
}

// Whether the address's host lies on domain and its path (any letter case) is one of sections
// or lies below one.
bool isSectionOf(const QString& address, QLatin1StringView domain,
                 std::initializer_list<QLatin1StringView> sections) {
    const QUrl url(address, QUrl::StrictMode);
    if (!hostMatches(hostOfAddress(address), QString(domain))) {
        return false;
    }
    const QString path = url.path(QUrl::FullyDecoded).toLower();
    for (const QLatin1StringView section : sections) {
        if (path.startsWith(section) &&
            (path.size() == section.size() || path.at(section.size()) == QLatin1Char('/'))) {
            return true;
        }
    }
    return false;
}
}  // namespace

bool hostMatches(const QString& host, const QString& domain) {
    if (host.isEmpty() || domain.isEmpty()) {
        return false;
    }
    if (sameOrBelow(host, domain)) {
        return true;
    }
    // An address carries an international name in either spelling; so may the list.
    const QByteArray aceHost = QUrl::toAce(host);
    const QByteArray aceDomain = QUrl::toAce(domain);
    return !aceHost.isEmpty() && !aceDomain.isEmpty() &&
           sameOrBelow(QString::fromLatin1(aceHost), QString::fromLatin1(aceDomain));
}

QString bridgePageAddress(const QString& domain, quint16 port) {
    // Only unreserved characters stay as typed, so a listed "a&b=c" cannot break the query.
    return QStringLiteral("http://127.0.0.1:") + QString::number(port) +
           QStringLiteral("/blocked?site=") + QString::fromLatin1(QUrl::toPercentEncoding(domain));
}

bool isYouTubeShorts(const QString& address) {
    return isSectionOf(address, QLatin1StringView("youtube.com"), {QLatin1StringView("/shorts")});
}

bool isInstagramReels(const QString& address) {
    return isSectionOf(address, QLatin1StringView("instagram.com"),
                       {QLatin1StringView("/reel"), QLatin1StringView("/reels")});
}

std::optional<BrowserRedirect> redirectTarget(const GuardSnapshot& snapshot,
                                              const QString& address) {
    if (isBridgePage(address, snapshot.bridgePort)) {
        return std::nullopt;
    }
    const auto blockedPage = [&snapshot](const QString& domain) {
        // Without a bridge of ours, its port may be served by anyone: the link shows its own page.
        return snapshot.bridgePort == 0
                   ? BrowserRedirect{QString(), domain}
                   : BrowserRedirect{bridgePageAddress(domain, snapshot.bridgePort), domain};
    };
    const QString host = hostOfAddress(address);
    if (snapshot.blockAdultSites) {
        for (const QString& domain : snapshot.adultDomains) {
            if (hostMatches(host, domain)) {
                return blockedPage(domain);
            }
        }
    }
    if (snapshot.focusActive) {
        for (const QString& domain : snapshot.enabledSites) {
            if (hostMatches(host, domain)) {
                return blockedPage(domain);
            }
        }
    }
    if (snapshot.blockYouTubeShorts && isYouTubeShorts(address)) {
        return BrowserRedirect{QString(youTubeHome), QString()};
    }
    if (snapshot.blockInstagramReels && isInstagramReels(address)) {
        return BrowserRedirect{QString(instagramHome), QString()};
    }
    return std::nullopt;
}

}  // namespace Quorel
