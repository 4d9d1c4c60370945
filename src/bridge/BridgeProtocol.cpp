#include "BridgeProtocol.h"

#include "FocusManager.h"
#include "JsonWriter.h"

#include <QFile>
#include <QStringDecoder>
#include <QUrl>
#include <QUrlQuery>

namespace Quorel {

namespace {

constexpr QByteArrayView fallbackPage = "Blocked by Quorel";
constexpr QByteArrayView lineMarker = "{{line}}";

QByteArray withHeaders(QByteArrayView head, const QByteArray& body) {
    constexpr QByteArrayView tail = "\r\nConnection: close\r\n\r\n";
    const QByteArray length = QByteArray::number(body.size());
    QByteArray out;
    out.reserve(head.size() + length.size() + tail.size() + body.size());
    out.append(head).append(length).append(tail).append(body);
    return out;
}

// The `site` query value as the page shows it: decoded, cut to a domain's length, escaped.
QString siteLine(QStringView path) {
    const qsizetype query = path.indexOf(u'?');
    QString site;
    if (query >= 0) {
        site = QUrlQuery(path.mid(query + 1).toString())
                   .queryItemValue(QStringLiteral("site"), QUrl::FullyDecoded);
    }
    if (site.isEmpty()) {
        return QStringLiteral("This site is blocked while you focus.");
    }
    if (site.size() > blockedPageSiteLimit) {
        qsizetype keep = blockedPageSiteLimit;
        // Never half a surrogate pair.
        if (site.at(keep - 1).isHighSurrogate()) {
            --keep;
        }
        site.truncate(keep);
        site.append(QChar(0x2026));
    }
    return QStringLiteral("<span class=\"site\">") + site.toHtmlEscaped() +
           QStringLiteral("</span> is blocked while you focus.");
}

}  // namespace

BridgeStatusPayload bridgeStatusPayload(const FocusManager& manager) {
    BridgeStatusPayload payload;
    payload.isRunning = manager.isRunning();
    payload.isBreak = manager.isBreak();
    payload.strictMode = manager.strictMode();
    payload.remainingSeconds = manager.remainingSeconds();
    payload.blockYouTubeShorts = manager.blockYouTubeShorts();
    payload.blockInstagramReels = manager.blockInstagramReels();
    payload.blockAdultSites = manager.blockAdultSites();
    for (const BlockedSite& site : manager.blockedSites()) {
        if (site.isEnabled) {
            payload.blockedSites.append(site.domain);
        }
    }
    return payload;
}

QString bridgeRequestPath(QByteArrayView firstRead) {
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString request = utf8(firstRead.first(std::min(firstRead.size(), bridgeRequestLimit)));
    if (utf8.hasError()) {
        return QStringLiteral("/");
    }
    QStringView line = request;
    if (const qsizetype end = line.indexOf(u"\r\n"); end >= 0) {
        line.truncate(end);
    }
    const qsizetype start = line.indexOf(u' ');
    if (start < 0) {
        return QStringLiteral("/");
    }
    QStringView path = line.sliced(start + 1);
    if (const qsizetype end = path.indexOf(u' '); end >= 0) {
        path.truncate(end);
    }
    return path.toString();
}

BridgeRoute bridgeRoute(QStringView path) {
    return path.startsWith(u"/blocked") ? BridgeRoute::BlockedPage : BridgeRoute::Status;
}

QByteArray encodeBridgeStatus(const BridgeStatusPayload& payload) {
    JsonWriter out(160 + 32 * payload.blockedSites.size());
    out.beginObject();
    out.field(QLatin1String("isRunning"), payload.isRunning);
    out.field(QLatin1String("isBreak"), payload.isBreak);
    out.field(QLatin1String("strictMode"), payload.strictMode);
    out.field(QLatin1String("remainingSeconds"), payload.remainingSeconds);
    out.field(QLatin1String("blockYouTubeShorts"), payload.blockYouTubeShorts);
    out.field(QLatin1String("blockInstagramReels"), payload.blockInstagramReels);
    out.field(QLatin1String("blockAdultSites"), payload.blockAdultSites);
    out.key(QLatin1String("blockedSites"));
    out.beginArray();
    for (const QString& domain : payload.blockedSites) {
        out.value(domain);
    }
    out.endArray();
    out.endObject();
    // Only a non-finite number fails, and the payload has none; kept for the record's sake.
    return out.failed() ? QByteArrayLiteral("{}") : out.take();
}

QByteArray bridgeStatusResponse(const BridgeStatusPayload& payload) {
    return withHeaders(
        "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n"
        "Access-Control-Allow-Origin: *\r\nContent-Length: ",
        encodeBridgeStatus(payload));
}

QByteArrayView blockedPageTemplate() {
    // Read once: the resource is part of the binary and never changes.
    static const QByteArray page = [] {
        QFile file(QStringLiteral(":/quorel/bridge/blocked.html"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    return page;
}

QByteArray blockedPageBody(QStringView path, QByteArrayView pageTemplate) {
    if (pageTemplate.isEmpty()) {
        return fallbackPage.toByteArray();
    }
    const qsizetype marker = pageTemplate.indexOf(lineMarker);
    if (marker < 0) {
        return pageTemplate.toByteArray();
    }
    const QByteArray line = siteLine(path).toUtf8();
    QByteArray page;
    page.reserve(pageTemplate.size() + line.size());
    page.append(pageTemplate.first(marker))
        .append(line)
        .append(pageTemplate.sliced(marker + lineMarker.size()));
    return page;
}

QByteArray bridgeBlockedPageResponse(QStringView path, QByteArrayView pageTemplate) {
    return withHeaders(
        "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: ",
        blockedPageBody(path, pageTemplate));
}

}  // namespace Quorel
