// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "BrowserHostRelay.h"

#include <QCoreApplication>
#include <QJsonDocument>

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>

namespace Quorel {

namespace {

constexpr int retryMs = 2000;
constexpr qsizetype readChunk = 64 * 1024;
// A browser or an app that stops reading does not make us hold its backlog for ever.
constexpr qsizetype maxBacklog = 4 * maxFrameSize;

QString frameType(const QByteArray& payload) {
    return QJsonDocument::fromJson(payload).object().value(QLatin1String("type")).toString();
}

}  // namespace

BrowserHostRelay::BrowserHostRelay(int browserIn, int browserOut, QString socketPath,
                                   QJsonObject hello, QObject* parent)
    : QObject(parent),
      m_browserOut(browserOut),
      m_socketPath(std::move(socketPath)),
      m_hello(std::move(hello)),
      m_browserReadable(browserIn, QSocketNotifier::Read),
      m_browserWritable(browserOut, QSocketNotifier::Write) {
    // Writes to the browser wait in our buffer, never in a blocked write().
    ::fcntl(browserOut, F_SETFL, ::fcntl(browserOut, F_GETFL) | O_NONBLOCK);
    m_browserWritable.setEnabled(false);
    connect(&m_browserReadable, &QSocketNotifier::activated, this, &BrowserHostRelay::readBrowser);
    connect(&m_browserWritable, &QSocketNotifier::activated, this, &BrowserHostRelay::flushBrowser);

    m_retry.setSingleShot(true);
    m_retry.setInterval(retryMs);
    connect(&m_retry, &QTimer::timeout, this, &BrowserHostRelay::connectToApp);
    connect(&m_app, &QLocalSocket::connected, this, [this] {
        sendToApp(QJsonDocument(m_hello).toJson(QJsonDocument::Compact));
        for (const QByteArray* last : {&m_lastExtension, &m_lastFront}) {
            if (!last->isEmpty()) {
                sendToApp(*last);
            }
        }
    });
    connect(&m_app, &QLocalSocket::readyRead, this, &BrowserHostRelay::readApp);
    connect(&m_app, &QLocalSocket::disconnected, this, &BrowserHostRelay::dropApp);
    // Whatever went wrong, try again later: connectToApp leaves a working connection alone.
    connect(&m_app, &QLocalSocket::errorOccurred, this, &BrowserHostRelay::dropApp);
}

// The socket says goodbye as it is destroyed, after the timer it would restart is gone.
BrowserHostRelay::~BrowserHostRelay() {
    m_app.disconnect(this);
}

void BrowserHostRelay::start() {
    connectToApp();
}

void BrowserHostRelay::readBrowser() {
    char buffer[readChunk];
    const ssize_t got = ::read(static_cast<int>(m_browserReadable.socket()), buffer, sizeof buffer);
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) {
        return;
    }
    if (got <= 0) {
        m_browserReadable.setEnabled(false);
        QCoreApplication::exit(got == 0 ? 0 : 1);
        return;
    }
    const qint64 skipped = m_fromBrowser.skipped();
    m_fromBrowser.append(QByteArrayView(buffer, got));
    while (std::optional<QByteArray> payload = m_fromBrowser.next()) {
        const QString type = frameType(*payload);
        if (type == QLatin1String("front")) {
            m_lastFront = *payload;
        } else if (type == QLatin1String("extension")) {
            m_lastExtension = *payload;
        }
        if (m_app.state() == QLocalSocket::ConnectedState) {
            sendToApp(*payload);
        }
    }
    if (m_fromBrowser.skipped() > skipped) {
        std::fputs("quorel-browser-host: skipped a message from the browser over 1 MiB\n", stderr);
    }
}

void BrowserHostRelay::writeBrowser(const QByteArray& frame) {
    if (m_toBrowser.size() + frame.size() > maxBacklog) {
        std::fputs("quorel-browser-host: the browser does not read its messages\n", stderr);
        QCoreApplication::exit(3);
        return;
    }
    m_toBrowser.append(frame);
    flushBrowser();
}

void BrowserHostRelay::flushBrowser() {
    while (!m_toBrowser.isEmpty()) {
        const ssize_t put =
            ::write(m_browserOut, m_toBrowser.constData(), static_cast<size_t>(m_toBrowser.size()));
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put < 0 && errno == EAGAIN) {
            break;
        }
        if (put < 0) {
            QCoreApplication::exit(1);  // the browser is gone
            return;
        }
        m_toBrowser.remove(0, put);
    }
    m_browserWritable.setEnabled(!m_toBrowser.isEmpty());
}

void BrowserHostRelay::connectToApp() {
    if (m_app.state() == QLocalSocket::UnconnectedState) {
        m_fromApp = FrameDecoder();
        m_app.connectToServer(m_socketPath);
    }
}

void BrowserHostRelay::readApp() {
    while (m_app.bytesAvailable() > 0) {
        m_fromApp.append(m_app.read(readChunk));
        while (std::optional<QByteArray> payload = m_fromApp.next()) {
            writeBrowser(encodeFrame(*payload));
        }
    }
}

void BrowserHostRelay::sendToApp(const QByteArray& payload) {
    if (m_app.bytesToWrite() > maxBacklog) {
        m_app.abort();  // an app that stopped reading: start over with a fresh connection
        return;
    }
    m_app.write(encodeFrame(payload));
}

void BrowserHostRelay::dropApp() {
    if (!m_retry.isActive()) {
        m_retry.start();
    }
}

}  // namespace Quorel
