// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "BridgeServer.h"

#include "LoopbackPeer.h"

#include <QBasicTimer>
#include <QLoggingCategory>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTimer>
#include <QTimerEvent>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>

namespace Quorel {

Q_LOGGING_CATEGORY(lcBridge, "quorel.bridge")

namespace {

constexpr std::chrono::seconds acceptRetryDelay{1};
// The kernel holds a new connection back until its first bytes come, or for about this long:
// nearly every request is then read in the same step as its accept, with no round through the
// event loop. A connection that comes out silent has already waited this long.
constexpr std::chrono::seconds acceptDeferral{1};
// Qt's 50 overflows when a browser and its extension open many connections at once: the
// kernel then drops the handshake's last packet, and the client waits out a 200 ms resend. As
// many as nginx allows; the kernel caps it at net.core.somaxconn.
constexpr int listenBacklog = 511;

void deferAccept(const QTcpServer& listener) {
    const int seconds = static_cast<int>(acceptDeferral.count());
    ::setsockopt(static_cast<int>(listener.socketDescriptor()), IPPROTO_TCP, TCP_DEFER_ACCEPT,
                 &seconds, sizeof seconds);
}

}  // namespace

// One listening address; hands every accepted socket to the server.
class BridgeListener : public QTcpServer {
public:
    explicit BridgeListener(BridgeServer& server) : QTcpServer(&server), m_server(server) {
        connect(this, &QTcpServer::acceptError, &server, [this] { m_server.acceptFailed(*this); });
    }

protected:
    void incomingConnection(qintptr descriptor) override { m_server.accept(descriptor); }

private:
    BridgeServer& m_server;
};

// One connection whose request was not in at accept, on its bare descriptor: a single read of
// at most 4096 bytes (or the silence timeout), one answer, then closed. A peer that never takes
// the answer is dropped after the same wait. Lighter than a socket object, whose set-up costs
// several system calls and event-loop rounds that a browser would wait for.
class BridgeConnection : public QObject {
public:
    BridgeConnection(BridgeServer& server, int fd, bool ownUser)
        : QObject(&server),
          m_server(server),
          m_fd(fd),
          m_ownUser(ownUser),
          m_readable(fd, QSocketNotifier::Read, this) {
        connect(&m_readable, &QSocketNotifier::activated, this, [this] { read(); });
        // Until the answer is due: the silence timeout counted from the connection's start.
        arm(m_server.silenceTimeout() - acceptDeferral);
    }

    ~BridgeConnection() override { release(); }

    // Sends the answer, or what is left of it; closed once all is out.
    void send(QByteArray rest) {
        m_answered = true;
        m_rest = std::move(rest);
        m_readable.setEnabled(false);
        arm(m_server.silenceTimeout());
        flush();
    }

    // Answers without waiting any longer for the request.
    void answerNow() { send(m_server.respond({}, m_ownUser)); }

protected:
    void timerEvent(QTimerEvent* event) override {
        if (event->timerId() != m_timer.timerId()) {
            QObject::timerEvent(event);
            return;
        }
        m_timer.stop();
        if (m_answered) {
            finish();  // the peer takes nothing
            return;
        }
        answerNow();
    }

private:
    void read() {
        char request[bridgeRequestLimit];
        const ssize_t received = ::recv(m_fd, request, sizeof request, MSG_DONTWAIT);
        if (received < 0) {
            if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
                finish();  // gone: nothing to answer
            }
            return;
        }
        // Zero bytes: the peer closed its side without a word, and gets the status all the same.
        send(m_server.respond(QByteArrayView(request, received), m_ownUser));
    }

    void flush() {
        while (!m_rest.isEmpty()) {
            const ssize_t sent =
                ::send(m_fd, m_rest.constData(), static_cast<size_t>(m_rest.size()),
                       MSG_DONTWAIT | MSG_NOSIGNAL);
            if (sent >= 0) {
                m_rest.remove(0, sent);
            } else if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
                if (m_writable == nullptr) {
                    m_writable = new QSocketNotifier(m_fd, QSocketNotifier::Write, this);
                    connect(m_writable, &QSocketNotifier::activated, this, [this] { flush(); });
                }
                m_writable->setEnabled(true);
                return;
            } else {
                break;  // the peer is gone
            }
        }
        finish();
    }

    void arm(std::chrono::milliseconds wait) {
        const auto ms = std::clamp<qint64>(wait.count(), 0, INT_MAX);
        m_timer.start(static_cast<int>(ms), this);
    }

    void finish() {
        if (m_fd < 0) {
            return;
        }
        m_timer.stop();
        release();
        m_server.connectionClosed();
        deleteLater();
    }

    // Notifiers let go of the descriptor before it is closed.
    void release() {
        if (m_fd < 0) {
            return;
        }
        m_readable.setEnabled(false);
        if (m_writable != nullptr) {
            m_writable->setEnabled(false);
        }
        ::close(m_fd);
        m_fd = -1;
    }

    BridgeServer& m_server;
    int m_fd;
    bool m_ownUser;
    QSocketNotifier m_readable;
    QSocketNotifier* m_writable = nullptr;  // made when the kernel first takes less than all
    QBasicTimer m_timer;
    QByteArray m_rest;
    bool m_answered = false;
};

BridgeServer::BridgeServer(StatusSource status, QObject* parent)
    : QObject(parent),
      m_status(std::move(status)),
      m_peerOwner([](int fd) { return loopbackPeerOwner(fd); }) {}

BridgeServer::~BridgeServer() = default;

bool BridgeServer::start(quint16 port) {
    if (isActive()) {
        return true;
    }
    delete m_ipv4;
    delete m_ipv6;
    m_ipv4 = new BridgeListener(*this);
    m_ipv6 = new BridgeListener(*this);
    m_ipv4->setListenBacklogSize(listenBacklog);
    m_ipv6->setListenBacklogSize(listenBacklog);
    if (!m_ipv4->listen(QHostAddress::LocalHost, port)) {
        qCWarning(lcBridge, "The browser bridge is off: 127.0.0.1 port %u: %s", unsigned{port},
                  qPrintable(m_ipv4->errorString()));
        m_problem = m_ipv4->serverError() == QAbstractSocket::AddressInUseError
                        ? QStringLiteral("another program holds port %1").arg(port)
                        : m_ipv4->errorString();
        return false;
    }
    m_problem.clear();
    // Without IPv6 the bridge still serves 127.0.0.1, which browsers try for "localhost" too.
    if (!m_ipv6->listen(QHostAddress::LocalHostIPv6, m_ipv4->serverPort())) {
        qCInfo(lcBridge, "The browser bridge serves 127.0.0.1 only: ::1 port %u: %s",
               unsigned{m_ipv4->serverPort()}, qPrintable(m_ipv6->errorString()));
    }
    for (const BridgeListener* listener : {m_ipv4, m_ipv6}) {
        if (listener->isListening()) {
            deferAccept(*listener);
        }
    }
    emit activeChanged(true);
    return true;
}

bool BridgeServer::isActive() const {
    return m_ipv4 != nullptr && m_ipv4->isListening();
}

quint16 BridgeServer::port() const {
    return isActive() ? m_ipv4->serverPort() : 0;
}

QList<QHostAddress> BridgeServer::addresses() const {
    QList<QHostAddress> out;
    for (const BridgeListener* listener : {m_ipv4, m_ipv6}) {
        if (listener != nullptr && listener->isListening()) {
            out.append(listener->serverAddress());
        }
    }
    return out;
}

void BridgeServer::accept(qintptr descriptor) {
    const int fd = static_cast<int>(descriptor);
    const bool ownUser = isOwnUsers(fd);
    const std::optional<QByteArray> rest = answerAtOnce(fd, ownUser);
    if (rest && rest->isEmpty()) {
        ::close(fd);
        return;
    }
    auto* connection = new BridgeConnection(*this, fd, ownUser);
    ++m_open;
    if (rest) {
        connection->send(*rest);
        return;
    }
    // Pausing stops the next burst only: what this one brings past the limit (at most the
    // kernel's queue) gets the status at once instead of a wait.
    if (m_open > maxOpenConnections) {
        connection->answerNow();
        return;
    }
    if (m_open == maxOpenConnections && !m_full) {
        m_full = true;
        setAccepting(false);
    }
}

// Fast path: on loopback most requests are in by the time their connection is accepted. Such a
// request is answered right here with plain system calls, without the socket object, its
// notifiers and its timer, which take most of the time of a connection otherwise.
std::optional<QByteArray> BridgeServer::answerAtOnce(int fd, bool ownUser) const {
    char request[bridgeRequestLimit];
    const ssize_t received = ::recv(fd, request, sizeof request, MSG_DONTWAIT);
    if (received < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
            return std::nullopt;
        }
        return QByteArray();  // gone already: nothing to answer
    }
    // Zero bytes: the peer closed its side without a word, and gets the status all the same.
    const QByteArray response = respond(QByteArrayView(request, received), ownUser);
    const ssize_t sent = ::send(fd, response.constData(), static_cast<size_t>(response.size()),
                                MSG_DONTWAIT | MSG_NOSIGNAL);
    if (sent < 0 || sent == response.size()) {
        return QByteArray();
    }
    return response.sliced(sent);
}

QByteArray BridgeServer::respond(QByteArrayView request, bool ownUser) const {
    return ownUser ? bridgeResponse(request, port(), m_status) : bridgeForeignUserResponse();
}

// Other accounts on this machine reach the loopback too; what this user focuses on and blocks
// is none of their business. A peer the kernel no longer knows has gone and is refused too.
bool BridgeServer::isOwnUsers(int fd) {
    const std::optional<uid_t> owner = m_peerOwner ? m_peerOwner(fd) : std::nullopt;
    const uid_t self = ::geteuid();
    if (owner == self) {
        return true;
    }
    // Once: another account could otherwise fill the log.
    if (owner && !m_reportedForeignPeer) {
        m_reportedForeignPeer = true;
        qCWarning(lcBridge,
                  "The browser bridge refuses connections from user %u (only %u's are "
                  "answered); further ones are not logged",
                  unsigned{*owner}, unsigned{self});
    }
    return false;
}

void BridgeServer::connectionClosed() {
    --m_open;
    if (m_full && m_open < maxOpenConnections) {
        m_full = false;
        setAccepting(true);
    }
}

void BridgeServer::acceptFailed(BridgeListener& listener) {
    // Qt stops accepting on a lasting error (out of file descriptors); try again shortly.
    if (!m_reportedAcceptFailure) {
        m_reportedAcceptFailure = true;
        qCWarning(lcBridge, "The browser bridge cannot accept connections: %s",
                  qPrintable(listener.errorString()));
    }
    QTimer::singleShot(acceptRetryDelay, &listener, [this, &listener] {
        if (!m_full && listener.isListening()) {
            listener.resumeAccepting();
        }
    });
}

void BridgeServer::setAccepting(bool accepting) {
    // Qt's pause and resume need a listening server.
    for (BridgeListener* listener : {m_ipv4, m_ipv6}) {
        if (listener->isListening()) {
            accepting ? listener->resumeAccepting() : listener->pauseAccepting();
        }
    }
}

}  // namespace Quorel
