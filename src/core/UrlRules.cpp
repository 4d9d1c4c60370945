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
    return url.scheme() == QLatin1String("http") && url.host() == QLatin1String("127.0.0.1") &&
           url.port() == port && url.path().startsWith(QLatin1String("/blocked"));
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

std::optional<QString> redirectTarget(const GuardSnapshot& snapshot, const QString& address) {
    if (isBridgePage(address, snapshot.bridgePort)) {
        return std::nullopt;
    }
    const QString host = hostOfAddress(address);
    if (snapshot.blockAdultSites) {
        for (const QString& domain : snapshot.adultDomains) {
            if (hostMatches(host, domain)) {
                return bridgePageAddress(domain, snapshot.bridgePort);
            }
        }
    }
    if (snapshot.focusActive) {
        for (const QString& domain : snapshot.enabledSites) {
            if (hostMatches(host, domain)) {
                return bridgePageAddress(domain, snapshot.bridgePort);
            }
        }
    }
    const QString lowered = address.toLower();
    if (snapshot.blockYouTubeShorts && lowered.contains(QLatin1String("youtube.com/shorts"))) {
        return QString(youTubeHome);
    }
    if (snapshot.blockInstagramReels && lowered.contains(QLatin1String("instagram.com/reels"))) {
        return QString(instagramHome);
    }
    return std::nullopt;
}

}  // namespace Quorel
