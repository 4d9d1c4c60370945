// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "BridgeThread.h"

#include "BridgeServer.h"

#include <QMutexLocker>

namespace Quorel {

BridgeThread::BridgeThread(QObject* parent) : QObject(parent) {
    m_server = new BridgeServer([this] { return statusJson(); });
    connect(m_server, &BridgeServer::activeChanged, this, &BridgeThread::activeChanged);
    m_thread.setObjectName(QStringLiteral("com.quorel.bridge"));
    m_server->moveToThread(&m_thread);
    m_thread.start();
}

BridgeThread::~BridgeThread() {
    // Its sockets and timers belong to the bridge's thread and must end there.
    QMetaObject::invokeMethod(
        m_server, [server = m_server] { delete server; }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

bool BridgeThread::start(quint16 port) {
    bool listening = false;
    QMetaObject::invokeMethod(
        m_server,
        [this, port, &listening] {
            listening = m_server->start(port);
            m_port = m_server->port();
            m_problem = m_server->problem();
        },
        Qt::BlockingQueuedConnection);
    return listening;
}

void BridgeThread::publish(const BridgeStatusPayload& status) {
    QByteArray json = encodeBridgeStatus(status);
    const QMutexLocker lock(&m_mutex);
    m_statusJson = std::move(json);
}

QByteArray BridgeThread::statusJson() const {
    const QMutexLocker lock(&m_mutex);
    return m_statusJson;
}

}  // namespace Quorel
