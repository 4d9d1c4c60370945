// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "BridgeServer.h"
#include "BridgeThread.h"
#include "LoopbackPeer.h"

#include <QNetworkInterface>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QThread>

#include <netinet/in.h>
#include <sys/fsuid.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

#include <memory>
#include <vector>

using namespace Quorel;
using namespace std::chrono_literals;

namespace {

constexpr int patienceMs = 10000;
constexpr uid_t nobody = 65534;
const QByteArray foreignUserAnswer =
    "HTTP/1.1 403 Forbidden\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";

// Whether this thread may make sockets in another account's name (root may).
bool canActAs(uid_t account) {
    const uid_t self = ::geteuid();
    ::setfsuid(account);
    return static_cast<uid_t>(::setfsuid(self)) == account;
}

// A socket connected to address and port, owned by account: the kernel gives a new socket the
// file-system uid of the thread that makes it.
int connectedSocket(const QHostAddress& address, quint16 port, uid_t account) {
    const uid_t self = ::geteuid();
    const bool ipv6 = address.protocol() == QAbstractSocket::IPv6Protocol;
    ::setfsuid(account);
    const int fd = ::socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ::setfsuid(self);
    sockaddr_storage to{};
    if (ipv6) {
        auto& in6 = reinterpret_cast<sockaddr_in6&>(to);
        in6.sin6_family = AF_INET6;
        in6.sin6_port = htons(port);
        const Q_IPV6ADDR bytes = address.toIPv6Address();
        std::memcpy(&in6.sin6_addr, bytes.c, sizeof bytes.c);
    } else {
        auto& in = reinterpret_cast<sockaddr_in&>(to);
        in.sin_family = AF_INET;
        in.sin_port = htons(port);
        in.sin_addr.s_addr = htonl(address.toIPv4Address());
    }
    // On loopback the kernel completes the handshake before the server accepts.
    if (::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Sends request (nothing if empty) from a socket of account and returns all the server wrote
// before it closed. The server runs on this thread, so every wait spins the event loop.
QByteArray exchange(const QHostAddress& address, quint16 port, const QByteArray& request,
                    uid_t account = ::geteuid()) {
    QTcpSocket socket;
    QSignalSpy closed(&socket, &QAbstractSocket::disconnected);
    const int fd = connectedSocket(address, port, account);
    if (fd < 0 || !socket.setSocketDescriptor(fd)) {
        return "(no connection)";
    }
    if (!request.isEmpty()) {
        socket.write(request);
    }
    if (!closed.wait(patienceMs)) {
        return "(still open)";
    }
    return socket.readAll();
}

bool isStatus(const QByteArray& response) {
    return response.startsWith("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n");
}
bool isPage(const QByteArray& response) {
    return response.startsWith("HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n") &&
           response.contains("Blocked by Quorel");
}

}  // namespace

class TestBridgeServer : public QObject {
    Q_OBJECT

    BridgeStatusPayload m_status;
    std::unique_ptr<BridgeServer> m_server;

    bool hasIpv6() const { return m_server->addresses().size() == 2; }

private slots:
    void init() {
        m_status = BridgeStatusPayload();
        m_server = std::make_unique<BridgeServer>([this] { return encodeBridgeStatus(m_status); });
        QSignalSpy active(m_server.get(), &BridgeServer::activeChanged);
        QVERIFY(m_server->start(0));
        QCOMPARE(active.count(), 1);
        QCOMPARE(active.first().first().toBool(), true);
        QVERIFY(m_server->isActive());
    }
    void cleanup() { m_server.reset(); }

    void answersOnBothLoopbackAddresses_data() {
        QTest::addColumn<bool>("ipv6");
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<bool>("page");
        for (const bool ipv6 : {false, true}) {
            const char* family = ipv6 ? "::1" : "127.0.0.1";
            QTest::addRow("%s status", family)
                << ipv6 << QByteArray("GET / HTTP/1.1\r\n\r\n") << false;
            QTest::addRow("%s page", family)
                << ipv6 << QByteArray("GET /blocked?site=a.com HTTP/1.1\r\n\r\n") << true;
        }
    }
    void answersOnBothLoopbackAddresses() {
        QFETCH(bool, ipv6);
        QFETCH(QByteArray, request);
        QFETCH(bool, page);
        if (ipv6 && !hasIpv6()) {
            QSKIP("no IPv6 loopback on this machine");
        }
        const QHostAddress address(ipv6 ? QHostAddress::LocalHostIPv6 : QHostAddress::LocalHost);
        const QByteArray response = exchange(address, m_server->port(), request);
        QVERIFY2(page ? isPage(response) : isStatus(response), response.constData());
        QTRY_COMPARE(m_server->openConnections(), 0);
    }

    // The kernel's record of the peer's socket names its account, on either family and through
    // either table.
    void peerOwnerIsReadFromTheKernel_data() {
        QTest::addColumn<SocketTable>("table");
        QTest::addColumn<bool>("ipv6");
        QTest::addColumn<bool>("foreign");
        for (const SocketTable table : {SocketTable::SockDiag, SocketTable::ProcNet}) {
            for (const bool ipv6 : {false, true}) {
                for (const bool foreign : {false, true}) {
                    QTest::addRow("%s %s %s", table == SocketTable::SockDiag ? "sock_diag" : "proc",
                                  ipv6 ? "::1" : "127.0.0.1", foreign ? "nobody" : "own")
                        << table << ipv6 << foreign;
                }
            }
        }
    }
    void peerOwnerIsReadFromTheKernel() {
        QFETCH(SocketTable, table);
        QFETCH(bool, ipv6);
        QFETCH(bool, foreign);
        const uid_t account = foreign ? nobody : ::geteuid();
        if (foreign && !canActAs(account)) {
            QSKIP("only root makes sockets in another account's name");
        }
        QTcpServer listener;
        if (!listener.listen(ipv6 ? QHostAddress::LocalHostIPv6 : QHostAddress::LocalHost)) {
            QSKIP("no such loopback on this machine");
        }
        const int client =
            connectedSocket(listener.serverAddress(), listener.serverPort(), account);
        QVERIFY(client >= 0);
        QVERIFY(listener.waitForNewConnection(patienceMs));
        std::unique_ptr<QTcpSocket> accepted(listener.nextPendingConnection());
        const auto fd = static_cast<int>(accepted->socketDescriptor());
        QCOMPARE(loopbackPeerOwner(fd, table), std::optional<uid_t>(account));
        QCOMPARE(loopbackPeerOwner(fd), std::optional<uid_t>(account));
        // Gone: the kernel knows no such peer, and no one is named.
        ::close(client);
        QTRY_COMPARE(loopbackPeerOwner(fd, table), std::nullopt);
    }

    // Another account gets a 403 and nothing else, whatever it asks; the refusal is logged once.
    void anotherAccountGetsABare403_data() {
        QTest::addColumn<bool>("realAccount");
        QTest::addColumn<QByteArray>("request");
        for (const bool real : {false, true}) {
            const char* who = real ? "nobody's socket" : "owner said to be nobody";
            QTest::addRow("%s, status", who) << real << QByteArray("GET / HTTP/1.1\r\n\r\n");
            QTest::addRow("%s, page", who)
                << real << QByteArray("GET /blocked?site=a.com HTTP/1.1\r\n\r\n");
            QTest::addRow("%s, silent", who) << real << QByteArray();
        }
    }
    void anotherAccountGetsABare403() {
        QFETCH(bool, realAccount);
        QFETCH(QByteArray, request);
        if (realAccount && !canActAs(nobody)) {
            QSKIP("only root makes sockets in another account's name");
        }
        if (!realAccount) {
            m_server->setPeerOwner([](int) { return std::optional<uid_t>(nobody); });
        }
        m_server->setSilenceTimeout(1000ms);
        const QRegularExpression refusal(QStringLiteral("refuses connections from user 65534"));
        QTest::ignoreMessage(QtWarningMsg, refusal);
        QTest::failOnWarning(refusal);
        const uid_t account = realAccount ? nobody : ::geteuid();
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(exchange(QHostAddress::LocalHost, m_server->port(), request, account),
                     foreignUserAnswer);
        }
        QTRY_COMPARE(m_server->openConnections(), 0);
        if (realAccount) {
            QVERIFY(isStatus(exchange(QHostAddress::LocalHost, m_server->port(), "GET /\r\n")));
        }
    }

    void statusIsBuiltPerRequest() {
        const auto remaining = [this] {
            const QByteArray r = exchange(QHostAddress::LocalHost, m_server->port(), "GET /\r\n");
            return r.contains("\"remainingSeconds\":77");
        };
        QVERIFY(!remaining());
        m_status.remainingSeconds = 77;
        QVERIFY(remaining());
    }

    void listensOnLoopbackOnly() {
        for (const QHostAddress& address : m_server->addresses()) {
            QVERIFY2(address.isLoopback(), qPrintable(address.toString()));
        }
        const auto all = QNetworkInterface::allAddresses();
        for (const QHostAddress& address : all) {
            if (address.isLoopback()) {
                continue;
            }
            QTcpSocket socket;
            QSignalSpy failed(&socket, &QAbstractSocket::errorOccurred);
            socket.connectToHost(address, m_server->port());
            QVERIFY2(failed.wait(patienceMs), qPrintable(address.toString()));
            QVERIFY(socket.state() != QAbstractSocket::ConnectedState);
        }
    }

    void silentConnectionGetsStatusAfterTimeout() {
        m_server->setSilenceTimeout(1000ms);
        QTcpSocket socket;
        QSignalSpy closed(&socket, &QAbstractSocket::disconnected);
        socket.connectToHost(QHostAddress::LocalHost, m_server->port());
        QVERIFY(socket.waitForConnected(patienceMs));
        // Timers never fire early: nothing can have come yet.
        QTest::qWait(100);
        QCOMPARE(socket.bytesAvailable(), 0);
        QVERIFY(closed.wait(patienceMs));
        QVERIFY(isStatus(socket.readAll()));
        QTRY_COMPARE(m_server->openConnections(), 0);
    }

    // Before the server accepts, the request is already in (answered at once); after it, the
    // request comes to a waiting socket.
    void requestSplitOverPacketsIsJudgedOnTheFirst_data() {
        QTest::addColumn<bool>("afterAccept");
        QTest::newRow("in before accept") << false;
        QTest::newRow("in after accept") << true;
    }
    void requestSplitOverPacketsIsJudgedOnTheFirst() {
        QFETCH(bool, afterAccept);
        QTcpSocket socket;
        QSignalSpy closed(&socket, &QAbstractSocket::disconnected);
        socket.connectToHost(QHostAddress::LocalHost, m_server->port());
        QVERIFY(socket.waitForConnected(patienceMs));
        if (afterAccept) {
            QTRY_COMPARE(m_server->openConnections(), 1);
        }
        socket.write("GET /blo");
        socket.flush();
        // The answer comes without the rest of the request.
        QVERIFY(closed.wait(patienceMs));
        QVERIFY(isStatus(socket.readAll()));
    }

    void peerClosingItsSideUnheardGetsTheStatus_data() {
        requestSplitOverPacketsIsJudgedOnTheFirst_data();
    }
    void peerClosingItsSideUnheardGetsTheStatus() {
        QFETCH(bool, afterAccept);
        QTcpSocket socket;
        QSignalSpy closed(&socket, &QAbstractSocket::disconnected);
        socket.connectToHost(QHostAddress::LocalHost, m_server->port());
        QVERIFY(socket.waitForConnected(patienceMs));
        if (afterAccept) {
            QTRY_COMPARE(m_server->openConnections(), 1);
        }
        QCOMPARE(::shutdown(static_cast<int>(socket.socketDescriptor()), SHUT_WR), 0);
        QVERIFY(closed.wait(patienceMs));
        QVERIFY(isStatus(socket.readAll()));
    }

    void peersClosingEarlyLeaveNothingBehind() {
        std::vector<std::unique_ptr<QTcpSocket>> peers;
        for (int i = 0; i < 20; ++i) {
            auto peer = std::make_unique<QTcpSocket>();
            peer->connectToHost(QHostAddress::LocalHost, m_server->port());
            QVERIFY(peer->waitForConnected(patienceMs));
            if (i % 2 == 0) {
                peer->write("GET /blocked HTTP/1.1\r\n\r\n");
                peer->flush();
            }
            peer->abort();
            peers.push_back(std::move(peer));
        }
        QTRY_COMPARE_WITH_TIMEOUT(m_server->openConnections(), 0, patienceMs);
        QVERIFY(isStatus(exchange(QHostAddress::LocalHost, m_server->port(), "GET /\r\n")));
    }

    void connectionsPastTheLimitWaitUntilOneCloses() {
        m_server->setSilenceTimeout(60s);
        // Silent peers up to the limit, in waves within the listen backlog: the kernel holds each
        // back for a second before accept.
        constexpr int limit = BridgeServer::maxOpenConnections;
        std::vector<std::unique_ptr<QTcpSocket>> peers;
        while (peers.size() < limit) {
            for (int i = 0; i < 32; ++i) {
                peers.push_back(std::make_unique<QTcpSocket>());
                peers.back()->connectToHost(QHostAddress::LocalHost, m_server->port());
            }
            QTRY_COMPARE_WITH_TIMEOUT(m_server->openConnections(), static_cast<int>(peers.size()),
                                      patienceMs);
        }
        QTcpSocket last;
        last.connectToHost(QHostAddress::LocalHost, m_server->port());
        QVERIFY(last.waitForConnected(patienceMs));
        last.write("GET /\r\n\r\n");
        QTest::qWait(200);
        QCOMPARE(m_server->openConnections(), limit);
        QCOMPARE(last.bytesAvailable(), 0);

        peers.front()->abort();
        QTRY_VERIFY_WITH_TIMEOUT(last.state() == QAbstractSocket::UnconnectedState, patienceMs);
        QVERIFY(isStatus(last.readAll()));
    }

    void takenPortLeavesTheBridgeInactive() {
        QTcpServer holder;
        QVERIFY(holder.listen(QHostAddress::LocalHost, 0));
        BridgeServer second([] { return encodeBridgeStatus({}); });
        QSignalSpy active(&second, &BridgeServer::activeChanged);
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral("browser bridge is off")));
        QVERIFY(!second.start(holder.serverPort()));
        QVERIFY(!second.isActive());
        QCOMPARE(second.port(), 0);
        QCOMPARE(active.count(), 0);
    }

    // On its own thread the bridge answers while this one is busy, with the status published
    // last.
    void threadAnswersWhileTheMainThreadIsBusy() {
        BridgeThread bridge;
        QVERIFY(bridge.start(0));
        m_status.remainingSeconds = 91;
        bridge.publish(m_status);
        QByteArray response;
        QThread* client = QThread::create([&response, port = bridge.port()] {
            response = exchange(QHostAddress::LocalHost, port, "GET / HTTP/1.1\r\n\r\n");
        });
        client->start();
        QVERIFY(client->wait(patienceMs));  // this thread runs no events meanwhile
        delete client;
        QVERIFY2(isStatus(response), response.constData());
        QVERIFY(response.contains("\"remainingSeconds\":91"));
    }
};

QTEST_GUILESS_MAIN(TestBridgeServer)
#include "tst_bridgeserver.moc"
