// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Arbitrary bytes as the first read of a bridge connection. Whatever arrives, the path stays
// within the read, every response announces its body's true length, the page carries no markup
// from the request, a site name survives the JSON status unchanged, and only loopback Hosts and
// extension origins read the status.

#include "BridgeProtocol.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdint>
#include <cstdlib>

using namespace Quorel;

namespace {

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

QByteArrayView bodyOf(const QByteArray& response) {
    const qsizetype split = response.indexOf("\r\n\r\n");
    require(split > 0);
    const QByteArrayView body = QByteArrayView(response).sliced(split + 4);
    const QByteArray length = "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    require(response.first(split + 2).contains(length));
    return body;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView request(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    const QString path = bridgeRequestPath(request);
    require(path.size() <= bridgeRequestLimit);
    require(!path.contains(u' ') && !path.contains(QStringLiteral("\r\n")));
    const BridgeRoute route = bridgeRoute(path);
    require((route == BridgeRoute::BlockedPage) == path.startsWith(QStringLiteral("/blocked")));

    const QByteArray page = bridgeBlockedPageResponse(path);
    const QByteArrayView pageBody = bodyOf(page);
    require(!pageBody.contains("<script") && !pageBody.contains("{{line}}"));
    require(!page.contains("Access-Control-Allow-Origin"));

    BridgeStatusPayload payload;
    payload.remainingSeconds = static_cast<qint64>(size) - 2048;
    payload.blockedSites = {QString::fromUtf8(request), path};
    const QByteArray status = bridgeStatusResponse(payload);
    QJsonParseError error{};
    const QJsonObject json = QJsonDocument::fromJson(bodyOf(status).toByteArray(), &error).object();
    require(error.error == QJsonParseError::NoError && json.size() == 8);
    require(json.value(QStringLiteral("blockedSites")).toVariant().toStringList() ==
            payload.blockedSites);

    // Under a Host that is not this machine's loopback, the status is never told; no origin is
    // let read it but our extension's, and an echoed origin never breaks the head.
    const QByteArray answer =
        bridgeResponse(request, 49152, [&payload] { return encodeBridgeStatus(payload); });
    const std::optional<QByteArray> host = bridgeRequestHeader(request, "Host");
    if (route == BridgeRoute::Status && host && !isLoopbackHost(*host, 49152)) {
        require(answer.startsWith("HTTP/1.1 403 Forbidden\r\n") && !answer.contains("isRunning"));
    }
    require(!answer.contains("Access-Control-Allow-Origin: *"));
    const QByteArray origin = extensionOrigin(bridgeRequestHeader(request, "Origin").value_or(""));
    require(!origin.contains('\r') && !origin.contains('\n'));
    require(bodyOf(answer).size() >= 0);
    return 0;
}
