// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "BridgeProtocol.h"

#include <QHostAddress>
#include <QList>
#include <QObject>

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <optional>

namespace Quorel {

class BridgeConnection;
class BridgeListener;

// The HTTP bridge on the loopback addresses (127.0.0.1 and ::1, never another interface): one
// request per connection, read once, answered with the status or the blocked page, then closed.
// Only this user's programs are answered; another account's connection gets a bare 403.
// Runs on the thread it lives on.
class BridgeServer : public QObject {
    Q_OBJECT

public:
    // The status as encodeBridgeStatus writes it: encoded once per change, not per request.
    using StatusSource = std::function<QByteArray()>;
    // The account that made the other end of an accepted connection; nullopt if unknown.
    using PeerOwner = std::function<std::optional<uid_t>(int fd)>;

    static constexpr quint16 defaultPort = 49152;
    // Connections open at once; at the limit no new one is accepted until one closes.
    static constexpr int maxOpenConnections = 256;

    // status is asked for a fresh payload on every status request.
    explicit BridgeServer(StatusSource status, QObject* parent = nullptr);
    ~BridgeServer() override;

    // Listens on 127.0.0.1 and, where the machine has it, ::1; port 0 takes a free one. False
    // (and inactive) when 127.0.0.1 cannot listen, as when the port is taken.
    bool start(quint16 port = defaultPort);
    bool isActive() const;
    // Why the last start failed, in a few words ("another program holds port 49152"); empty
    // after a start that worked.
    const QString& problem() const { return m_problem; }
    // The port listened on; 0 while inactive.
    quint16 port() const;
    // The addresses listened on.
    QList<QHostAddress> addresses() const;
    int openConnections() const { return m_open; }

    // How connections are told apart by account; loopbackPeerOwner unless set.
    void setPeerOwner(PeerOwner owner) { m_peerOwner = std::move(owner); }

    // How long a connection that sends nothing waits, from its start, before it gets the status.
    void setSilenceTimeout(std::chrono::milliseconds timeout) { m_silenceTimeout = timeout; }
    std::chrono::milliseconds silenceTimeout() const { return m_silenceTimeout; }

signals:
    void activeChanged(bool active);

private:
    friend class BridgeConnection;
    friend class BridgeListener;

    void accept(qintptr descriptor);
    // The request's answer when it is already in: empty once all is sent (or the peer is
    // gone), else what the kernel did not take; nullopt when nothing has arrived yet.
    std::optional<QByteArray> answerAtOnce(int fd, bool ownUser) const;
    QByteArray respond(QByteArrayView request, bool ownUser) const;
    bool isOwnUsers(int fd);
    void connectionClosed();
    void acceptFailed(BridgeListener& listener);
    void setAccepting(bool accepting);

    StatusSource m_status;
    PeerOwner m_peerOwner;
    // Children of the server.
    BridgeListener* m_ipv4 = nullptr;
    BridgeListener* m_ipv6 = nullptr;
    std::chrono::milliseconds m_silenceTimeout{5000};
    int m_open = 0;
    // At the connection limit the listeners stop accepting; the kernel queues the rest.
    bool m_full = false;
    bool m_reportedAcceptFailure = false;
    bool m_reportedForeignPeer = false;
    QString m_problem;
};

}  // namespace Quorel
