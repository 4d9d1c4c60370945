// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "BridgeProtocol.h"

#include <QMutex>
#include <QObject>
#include <QThread>

namespace Quorel {

class BridgeServer;

// The bridge on a thread of its own, so that a browser's request never waits behind the main
// thread's drawing, timers and disk writes. The main thread publishes the status whenever a
// part of it changes; each request reads the latest copy.
class BridgeThread : public QObject {
    Q_OBJECT

public:
    explicit BridgeThread(QObject* parent = nullptr);
    ~BridgeThread() override;

    // Listens as BridgeServer::start does; returns once it has tried.
    bool start(quint16 port);
    // The port listened on; 0 while inactive.
    quint16 port() const { return m_port; }
    // Why the last start failed; empty after one that worked.
    const QString& problem() const { return m_problem; }

    // The status every request from now on is answered with; from any thread.
    void publish(const BridgeStatusPayload& status);
    QByteArray statusJson() const;

signals:
    void activeChanged(bool active);

private:
    mutable QMutex m_mutex;
    QByteArray m_statusJson;
    QThread m_thread;
    BridgeServer* m_server = nullptr;  // lives and dies on m_thread
    quint16 m_port = 0;
    QString m_problem;
};

}  // namespace Quorel
