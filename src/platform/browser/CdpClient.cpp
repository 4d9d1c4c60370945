// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "CdpClient.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkProxy>
#include <QTcpSocket>
#include <QTimer>
#include <QWebSocket>

#include <algorithm>
#include <future>
#include <memory>
#include <optional>

namespace Quorel {

namespace {

// A page list runs to a few kilobytes per tab; anything past this is not a browser talking.
constexpr qint64 kMaxAnswer = 4 * 1024 * 1024;
constexpr qint64 kMaxHead = 16 * 1024;

QUrl loopback(const char* scheme, quint16 port, const QString& path) {
    QUrl url;
    url.setScheme(QLatin1String(scheme));
    url.setHost(QStringLiteral("127.0.0.1"));
    url.setPort(port);
    url.setPath(path);
    return url;
}

std::optional<QList<CdpPage>> parsePages(const QByteArray& body) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray()) {
        return std::nullopt;
    }
    QList<CdpPage> pages;
    for (const QJsonValue& entry : document.array()) {
        const QJsonObject target = entry.toObject();
        if (target.value(QLatin1String("type")).toString() != QLatin1String("page") ||
            !target.value(QLatin1String("url")).isString()) {
            continue;
        }
        CdpPage page{target.value(QLatin1String("url")).toString(), {}};
        // Only the path is taken: the socket is always opened on the loopback port asked.
        page.socketPath =
            QUrl(target.value(QLatin1String("webSocketDebuggerUrl")).toString()).path();
        const QString id = target.value(QLatin1String("id")).toString();
        if (page.socketPath.isEmpty() && !id.isEmpty()) {
            page.socketPath = QLatin1String("/devtools/page/") + id;
        }
        pages.append(page);
    }
    return pages;
}

// The 200 answer's body length from its head (-1: up to the end of the connection); nullopt for
// any other status or a head that does not parse. Chromium never chunks this answer.
std::optional<qint64> bodyLength(const QByteArray& head) {
    const QList<QByteArray> lines = head.split('\n');
    const QList<QByteArray> status = lines.first().simplified().split(' ');
    if (status.size() < 2 || !status.at(0).startsWith("HTTP/1.") || status.at(1) != "200") {
        return std::nullopt;
    }
    qint64 length = -1;
    for (const QByteArray& line : lines) {
        const qsizetype colon = line.indexOf(':');
        const QByteArray name = line.left(colon).trimmed().toLower();
        if (name == "content-length") {
            bool ok = false;
            length = line.sliced(colon + 1).trimmed().toLongLong(&ok);
            if (!ok || length < 0) {
                return std::nullopt;
            }
        } else if (name == "transfer-encoding") {
            return std::nullopt;
        }
    }
    return length;
}

// One GET over a blocking socket on the caller's thread. QNetworkAccessManager would hand it to a
// thread of its own and back, which made a check take ten times as long on a busy machine.
CdpPageList fetchPages(quint16 port, std::chrono::milliseconds timeout) {
    const QDeadlineTimer deadline(timeout);
    const auto left = [&] {
        return static_cast<int>(std::max<qint64>(deadline.remainingTime(), 0));
    };
    QTcpSocket socket;
    socket.setProxy(QNetworkProxy::NoProxy);
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(left())) {
        return {socket.error() == QAbstractSocket::ConnectionRefusedError ? CdpStatus::Unreachable
                                                                          : CdpStatus::Failed,
                {}};
    }
    socket.write("GET /json/list HTTP/1.1\r\nHost: 127.0.0.1:" + QByteArray::number(port) +
                 "\r\nConnection: close\r\n\r\n");
    QByteArray answer;
    qsizetype bodyStart = -1;
    qint64 length = -1;
    while (bodyStart < 0 || length < 0 || answer.size() - bodyStart < length) {
        if (socket.bytesAvailable() == 0 && !socket.waitForReadyRead(left())) {
            // Out of time, or closed: the end of the answer only if it named no length.
            if (bodyStart < 0 || length >= 0 || socket.state() == QAbstractSocket::ConnectedState) {
                return {};
            }
            break;
        }
        answer += socket.readAll();
        if (answer.size() > kMaxAnswer + kMaxHead) {
            return {};
        }
        if (bodyStart < 0) {
            const qsizetype headEnd = answer.indexOf("\r\n\r\n");
            if (headEnd < 0) {
                continue;
            }
            const std::optional<qint64> announced = bodyLength(answer.left(headEnd));
            if (!announced || *announced > kMaxAnswer) {
                return {};
            }
            bodyStart = headEnd + 4;
            length = *announced;
        }
    }
    const std::optional<QList<CdpPage>> pages =
        parsePages(answer.sliced(bodyStart, length >= 0 ? length : answer.size() - bodyStart));
    if (!pages) {
        return {};
    }
    return {CdpStatus::Ok, *pages};
}

CdpStatus sendNavigate(quint16 port, const QString& socketPath, int id, const QString& url,
                       std::chrono::milliseconds timeout) {
    if (socketPath.isEmpty()) {
        return CdpStatus::Failed;
    }
    QWebSocket socket;
    socket.setProxy(QNetworkProxy::NoProxy);
    socket.setMaxAllowedIncomingFrameSize(static_cast<quint64>(kMaxAnswer));
    socket.setMaxAllowedIncomingMessageSize(static_cast<quint64>(kMaxAnswer));
    QEventLoop loop;
    CdpStatus status = CdpStatus::Failed;

    const QJsonObject command{{QLatin1String("id"), id},
                              {QLatin1String("method"), QLatin1String("Page.navigate")},
                              {QLatin1String("params"), QJsonObject{{QLatin1String("url"), url}}}};
    QObject::connect(&socket, &QWebSocket::connected, &loop, [&] {
        socket.sendTextMessage(
            QString::fromUtf8(QJsonDocument(command).toJson(QJsonDocument::Compact)));
    });
    // Events and answers to other clients' commands may come first; only ours ends the wait.
    QObject::connect(&socket, &QWebSocket::textMessageReceived, &loop, [&](const QString& text) {
        const QJsonObject reply = QJsonDocument::fromJson(text.toUtf8()).object();
        if (reply.value(QLatin1String("id")).toInt(-1) != id) {
            return;
        }
        // A navigation the network refused still loads the browser's error page in the tab, so
        // it counts as done; only an error from the protocol itself fails.
        status = reply.value(QLatin1String("result")).isObject() &&
                         !reply.contains(QLatin1String("error"))
                     ? CdpStatus::Ok
                     : CdpStatus::Failed;
        loop.quit();
    });
    QObject::connect(&socket, qOverload<QAbstractSocket::SocketError>(&QWebSocket::error), &loop,
                     &QEventLoop::quit);
    QObject::connect(&socket, &QWebSocket::disconnected, &loop, &QEventLoop::quit);
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(timeout);
    socket.open(loopback("ws", port, socketPath));
    loop.exec();
    socket.abort();
    return status;
}

}  // namespace

CdpClient::CdpClient(std::chrono::milliseconds timeout)
    : m_timeout(timeout), m_context(new QObject) {
    m_thread.setObjectName(QStringLiteral("com.quorel.browser.devtools"));
    m_context->moveToThread(&m_thread);
    m_thread.start();
}

CdpClient::~CdpClient() {
    m_thread.quit();
    m_thread.wait();
    delete m_context;
}

CdpStatus CdpClient::onThread(std::function<CdpStatus()> task) {
    auto promise = std::make_shared<std::promise<CdpStatus>>();
    std::future<CdpStatus> answer = promise->get_future();
    QMetaObject::invokeMethod(
        m_context, [promise, task = std::move(task)] { promise->set_value(task()); },
        Qt::QueuedConnection);
    // The exchange keeps its own time; this only guards against a thread that never ran it.
    if (answer.wait_for(m_timeout + std::chrono::seconds(2)) != std::future_status::ready) {
        return CdpStatus::Failed;
    }
    return answer.get();
}

CdpPageList CdpClient::pages(quint16 port) {
    return fetchPages(port, m_timeout);
}

CdpStatus CdpClient::navigate(quint16 port, const CdpPage& page, const QString& url) {
    const auto timeout = m_timeout;
    const int id = ++m_nextCommandId;
    return onThread([port, path = page.socketPath, id, url, timeout] {
        return sendNavigate(port, path, id, url, timeout);
    });
}

}  // namespace Quorel
