// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "BridgeProtocol.h"

#include "JsonWriter.h"

#include <QFile>
#include <QStringDecoder>
#include <QUrl>
#include <QUrlQuery>

#include <algorithm>

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

QString siteLine(const QString& site) {
    const QString shown = blockedPageSite(site);
    if (shown.isEmpty()) {
        return QStringLiteral("This site is blocked while you focus.");
    }
    return QStringLiteral("<span class=\"site\">") + shown.toHtmlEscaped() +
           QStringLiteral("</span> is blocked while you focus.");
}

QString siteOfPath(QStringView path) {
    const qsizetype query = path.indexOf(u'?');
    if (query < 0) {
        return {};
    }
    return QUrlQuery(path.mid(query + 1).toString())
        .queryItemValue(QStringLiteral("site"), QUrl::FullyDecoded);
}

QByteArray pageWithLine(QByteArrayView pageTemplate, const QString& site) {
    if (pageTemplate.isEmpty()) {
        return fallbackPage.toByteArray();
    }
    const qsizetype marker = pageTemplate.indexOf(lineMarker);
    if (marker < 0) {
        return pageTemplate.toByteArray();
    }
    const QByteArray line = siteLine(site).toUtf8();
    QByteArray page;
    page.reserve(pageTemplate.size() + line.size());
    page.append(pageTemplate.first(marker))
        .append(line)
        .append(pageTemplate.sliced(marker + lineMarker.size()));
    return page;
}

bool isHostCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

}  // namespace

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

std::optional<QByteArray> bridgeRequestHeader(QByteArrayView firstRead, QByteArrayView name) {
    QByteArrayView rest = firstRead.first(std::min(firstRead.size(), bridgeRequestLimit));
    qsizetype end = rest.indexOf("\r\n");
    while (end >= 0) {
        rest = rest.sliced(end + 2);
        end = rest.indexOf("\r\n");
        const QByteArrayView line = end >= 0 ? rest.first(end) : rest;
        if (line.isEmpty()) {
            break;  // the end of the headers
        }
        const qsizetype colon = line.indexOf(':');
        if (colon == name.size() && line.first(colon).compare(name, Qt::CaseInsensitive) == 0) {
            return line.sliced(colon + 1).trimmed().toByteArray();
        }
    }
    return std::nullopt;
}

bool isLoopbackHost(QByteArrayView host, quint16 port) {
    QByteArrayView name = host;
    const qsizetype colon = host.lastIndexOf(':');
    // "[::1]:port" and "127.0.0.1:port" end in a port; bare "::1" is not a valid Host.
    if (colon >= 0 && (host.startsWith('[') ? host.at(colon - 1) == ']' : true)) {
        if (host.sliced(colon + 1) != QByteArray::number(port)) {
            return false;
        }
        name = host.first(colon);
    }
    return name == "127.0.0.1" || name == "[::1]" ||
           name.compare("localhost", Qt::CaseInsensitive) == 0;
}

QByteArray extensionOrigin(QByteArrayView origin) {
    return origin == quorelChromiumOrigin ? origin.toByteArray() : QByteArray();
}

QByteArray bridgeResponse(QByteArrayView firstRead, quint16 port,
                          const std::function<QByteArray()>& statusJson) {
    const QString path = bridgeRequestPath(firstRead);
    if (bridgeRoute(path) == BridgeRoute::BlockedPage) {
        return bridgeBlockedPageResponse(path);
    }
    // A request without a Host is no browser's (an empty or one-line request): it gets the status.
    const std::optional<QByteArray> host = bridgeRequestHeader(firstRead, "Host");
    if (host && !isLoopbackHost(*host, port)) {
        return bridgeForbiddenResponse();
    }
    return bridgeStatusResponse(statusJson ? statusJson() : encodeBridgeStatus({}),
                                bridgeRequestHeader(firstRead, "Origin").value_or(QByteArray()));
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

QByteArray bridgeStatusResponse(const BridgeStatusPayload& payload, QByteArrayView origin) {
    return bridgeStatusResponse(encodeBridgeStatus(payload), origin);
}

QByteArray bridgeStatusResponse(const QByteArray& statusJson, QByteArrayView origin) {
    const QByteArray allowed = extensionOrigin(origin);
    if (allowed.isEmpty()) {
        return withHeaders("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: ",
                           statusJson);
    }
    const QByteArray head =
        "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n"
        "Access-Control-Allow-Origin: " +
        allowed + "\r\nVary: Origin\r\nContent-Length: ";
    return withHeaders(head, statusJson);
}

QByteArray bridgeForbiddenResponse() {
    return withHeaders(
        "HTTP/1.1 403 Forbidden\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Length: ",
        QByteArrayLiteral("This bridge answers only to this computer's own addresses."));
}

QByteArray bridgeForeignUserResponse() {
    return withHeaders("HTTP/1.1 403 Forbidden\r\nContent-Length: ", {});
}

QByteArrayView blockedPageTemplate() {
    // Read once: the resource is part of the binary and never changes.
    static const QByteArray page = [] {
        QFile file(QStringLiteral(":/quorel/bridge/blocked.html"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    return page;
}

QString blockedPageSite(QStringView site) {
    if (site.isEmpty() || site.size() > blockedPageSiteLimit) {
        return {};
    }
    // Checked in the spelling DNS uses, so that an international name passes and nothing else
    // that is not a name does.
    const QByteArray ace = QUrl::toAce(site.toString().toLower());
    const bool name = !ace.isEmpty() && ace.size() <= blockedPageSiteLimit &&
                      std::all_of(ace.begin(), ace.end(), isHostCharacter) &&
                      !ace.startsWith('.') && !ace.contains("..");
    return name ? QUrl::fromAce(ace) : QString();
}

QByteArray blockedPageBody(QStringView path, QByteArrayView pageTemplate) {
    return pageWithLine(pageTemplate, siteOfPath(path));
}

QByteArray blockedPageForSite(const QString& site) {
    return pageWithLine(blockedPageTemplate(), site);
}

QByteArray bridgeBlockedPageResponse(QStringView path, QByteArrayView pageTemplate) {
    return withHeaders(
        "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: ",
        blockedPageBody(path, pageTemplate));
}

}  // namespace Quorel
