// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Arbitrary text as the front tab's address, judged with every guard on and a user list. Whatever
// arrives: an address read once reads the same when written out and read again, its host is
// lower case with nothing a host may not carry; where a tab is sent is never sent on again, a
// blocked page names a listed domain that the address's host lies on, the short-form rules only
// fire on their own service's hosts, and without a bridge the blocked page is left to the link.

#include "UrlRules.h"
#include "WebAddress.h"

#include <cstdint>
#include <cstdlib>

using namespace Quorel;

namespace {

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

GuardSnapshot guarding(quint16 port) {
    GuardSnapshot s;
    s.enabledSites = {QStringLiteral("example.org"), QStringLiteral("bücher.de"),
                      QStringLiteral("a&b=c")};
    s.blockYouTubeShorts = s.blockInstagramReels = s.blockAdultSites = s.focusActive = true;
    s.adultDomains = builtInAdultDomains();
    s.bridgePort = port;
    return s;
}

// What a browser would load for the address read, written out plainly.
QString written(const WebAddress& url) {
    return url.scheme + QStringLiteral("://") + url.host +
           (url.port == -1 ? QString() : QStringLiteral(":") + QString::number(url.port)) +
           url.path;
}

void checkReading(const QString& address) {
    const std::optional<WebAddress> url = parseWebAddress(address);
    if (!url || (url->scheme != u"http" && url->scheme != u"https")) {
        return;
    }
    require(!url->host.isEmpty() && url->path.startsWith(QLatin1Char('/')));
    for (const QChar c : url->host) {
        require((c < u'A' || c > u'Z') && c != u'/' && c != u'\\' && c != u'?' && c != u'#' &&
                c != u'@' && c != u'%' && c.unicode() > 0x20);
    }
    const std::optional<WebAddress> again = parseWebAddress(written(*url));
    require(again && again->host == url->host && again->port == url->port &&
            again->path == url->path);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString address =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    checkReading(address);
    const GuardSnapshot withBridge = guarding(49152);
    const QString host = hostOfAddress(address);
    if (isYouTubeShorts(address)) {
        require(hostMatches(host, QStringLiteral("youtube.com")));
    }
    if (isInstagramReels(address)) {
        require(hostMatches(host, QStringLiteral("instagram.com")));
    }

    const std::optional<BrowserRedirect> target = redirectTarget(withBridge, address);
    if (target) {
        require(!target->address.isEmpty());
        require(!redirectTarget(withBridge, target->address));
        if (!target->blockedSite.isEmpty()) {
            require(hostMatches(host, target->blockedSite));
            require(target->address == bridgePageAddress(target->blockedSite, 49152));
        }
    }
    const std::optional<BrowserRedirect> ownPage = redirectTarget(guarding(0), address);
    require(ownPage.has_value() == target.has_value());
    if (ownPage && target && !target->blockedSite.isEmpty()) {
        require(ownPage->address.isEmpty() && ownPage->blockedSite == target->blockedSite);
    }
    return 0;
}
