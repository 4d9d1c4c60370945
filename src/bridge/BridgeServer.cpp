#include "BridgeServer.h"

#include <QBasicTimer>
#include <QLoggingCategory>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QTimerEvent>

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>

namespace Quorel {

Q_LOGGING_CATEGORY(lcBridge, "quorel.bridge")

namespace {
constexpr std::chrono::seconds acceptRetryDelay{1};
}

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

// One connection: a single read of at most 4096 bytes (or the silence timeout), one answer,
// then closed. A peer that never takes the answer is dropped after the same wait.
class BridgeConnection : public QTcpSocket {
public:
    explicit BridgeConnection(BridgeServer& server) : QTcpSocket(&server), m_server(server) {
        // Nothing past the first read is ever looked at, so nothing more is buffered.
        setReadBufferSize(bridgeRequestLimit);
        connect(this, &QIODevice::readyRead, this, [this] { answer(read(bridgeRequestLimit)); });
        connect(this, &QAbstractSocket::disconnected, this, &BridgeConnection::finish);
        connect(this, &QAbstractSocket::errorOccurred, this, [this] {
            if (state() == UnconnectedState) {
                finish();
            }
        });
    }

    // The base class's destructor closes the socket; nothing of ours may hear of it.
    ~BridgeConnection() override { QObject::disconnect(this, nullptr, nullptr, nullptr); }

    void waitForRequest() { arm(); }

    void answer(const QByteArray& request) {
        if (!m_answered) {
            send(m_server.respond(request));
        }
    }

    // The answer, or what is left of it; then closed.
    void send(const QByteArray& response) {
        m_answered = true;
        if (state() != ConnectedState) {
            finish();
            return;
        }
        write(response);
        flush();
        arm();
        // Closes once the answer is out; may report the disconnection at once.
        disconnectFromHost();
    }

protected:
    void timerEvent(QTimerEvent* event) override {
        if (event->timerId() != m_timer.timerId()) {
            QTcpSocket::timerEvent(event);
            return;
        }
        m_timer.stop();
        if (!m_answered) {
            answer({});
            return;
        }
        abort();
        finish();
    }

private:
    void arm() {
        const auto ms = std::clamp<qint64>(m_server.silenceTimeout().count(), 0, INT_MAX);
        m_timer.start(static_cast<int>(ms), this);
    }

    void finish() {
        if (m_finished) {
            return;
        }
        m_finished = true;
        m_timer.stop();
        m_server.connectionClosed();
        deleteLater();
    }

    BridgeServer& m_server;
    QBasicTimer m_timer;
    bool m_answered = false;
    bool m_finished = false;
};

BridgeServer::BridgeServer(StatusSource status, QObject* parent)
    : QObject(parent), m_status(std::move(status)) {}

BridgeServer::~BridgeServer() = default;

bool BridgeServer::start(quint16 port) {
    if (isActive()) {
        return true;
    }
    delete m_ipv4;
    delete m_ipv6;
    m_ipv4 = new BridgeListener(*this);
    m_ipv6 = new BridgeListener(*this);
    if (!m_ipv4->listen(QHostAddress::LocalHost, port)) {
        qCWarning(lcBridge, "The browser bridge is off: 127.0.0.1 port %u: %s", unsigned{port},
                  qPrintable(m_ipv4->errorString()));
        return false;
    }
    // Without IPv6 the bridge still serves 127.0.0.1, which browsers try for "localhost" too.
    if (!m_ipv6->listen(QHostAddress::LocalHostIPv6, m_ipv4->serverPort())) {
        qCInfo(lcBridge, "The browser bridge serves 127.0.0.1 only: ::1 port %u: %s",
               unsigned{m_ipv4->serverPort()}, qPrintable(m_ipv6->errorString()));
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
    const std::optional<QByteArray> rest = answerAtOnce(fd);
    if (rest && rest->isEmpty()) {
        ::close(fd);
        return;
    }
    auto* connection = new BridgeConnection(*this);
    if (!connection->setSocketDescriptor(descriptor)) {
        ::close(fd);
        delete connection;
        return;
    }
    ++m_open;
    if (rest) {
        connection->send(*rest);
        return;
    }
    // Pausing stops the next burst only: what this one brings past the limit (at most the
    // kernel's queue) gets the status at once instead of a wait.
    if (m_open > maxOpenConnections) {
        connection->answer({});
        return;
    }
    connection->waitForRequest();
    if (m_open == maxOpenConnections && !m_full) {
        m_full = true;
        setAccepting(false);
    }
}

// Fast path: on loopback most requests are in by the time their connection is accepted. Such a
// request is answered right here with plain system calls, without the socket object, its
// notifiers and its timer, which take most of the time of a connection otherwise.
std::optional<QByteArray> BridgeServer::answerAtOnce(int fd) const {
    char request[bridgeRequestLimit];
    const ssize_t received = ::recv(fd, request, sizeof request, MSG_DONTWAIT);
    if (received < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
            return std::nullopt;
        }
        return QByteArray();  // gone already: nothing to answer
    }
    // Zero bytes: the peer closed its side without a word, and gets the status all the same.
    const QByteArray response = respond(QByteArrayView(request, received));
    const ssize_t sent = ::send(fd, response.constData(), static_cast<size_t>(response.size()),
                                MSG_DONTWAIT | MSG_NOSIGNAL);
    if (sent < 0 || sent == response.size()) {
        return QByteArray();
    }
    return response.sliced(sent);
}

QByteArray BridgeServer::respond(QByteArrayView request) const {
    const QString path = bridgeRequestPath(request);
    if (bridgeRoute(path) == BridgeRoute::BlockedPage) {
        return bridgeBlockedPageResponse(path);
    }
    return bridgeStatusResponse(m_status ? m_status() : BridgeStatusPayload{});
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
