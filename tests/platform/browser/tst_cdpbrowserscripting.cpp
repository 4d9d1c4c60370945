// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "BrowserWorker.h"
#include "browser/CdpBrowserScripting.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QWebSocket>
#include <QWebSocketServer>

#include <atomic>
#include <functional>

using namespace Quorel;
using namespace Qt::StringLiterals;

namespace {

// A browser's DevTools endpoint as far as the backend sees it: the page list over HTTP and the
// pages' WebSockets on the same port, each able to misbehave.
class FakeDevTools : public QObject {
public:
    enum class Http { Serve, UntilClose, Silent, CloseMidway };
    enum class Socket { Answer, Error, Silent };

    Http http = Http::Serve;
    int httpStatus = 200;
    QByteArray list =
        "[ "
        "{\"type\": \"service_worker\", \"id\": \"W\", \"url\": "
        "\"chrome-extension://abc/worker.js\"},"
        "{\"type\": \"page\", \"id\": \"P1\", \"url\": \"https://front.example/\","
        "\"webSocketDebuggerUrl\": \"ws://far.example:9/devtools/page/P1\"},"
        "{\"type\": \"page\", \"id\": \"P2\", \"url\": \"https://back.example/\"}]";
    Socket socket = Socket::Answer;
    QStringList navigations;  // "path url" per Page.navigate received

    FakeDevTools() {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* client = m_server.nextPendingConnection()) {
                connect(client, &QTcpSocket::readyRead, this, [this, client] { serve(client); });
                connect(client, &QTcpSocket::disconnected, client, &QObject::deleteLater);
            }
        });
        connect(&m_sockets, &QWebSocketServer::newConnection, this, [this] {
            while (QWebSocket* page = m_sockets.nextPendingConnection()) {
                page->setParent(this);
                connect(page, &QWebSocket::textMessageReceived, this,
                        [this, page](const QString& text) { command(page, text); });
            }
        });
    }
    quint16 port() const { return m_server.serverPort(); }
    void close() { m_server.close(); }

private:
    void serve(QTcpSocket* client) {
        const QByteArray request = client->peek(client->bytesAvailable());
        if (!request.contains("\r\n\r\n")) {
            return;
        }
        if (request.toLower().contains("upgrade: websocket")) {
            client->disconnect(this);
            m_sockets.handleConnection(client);
            return;
        }
        client->readAll();
        const QByteArray status = "HTTP/1.1 " + QByteArray::number(httpStatus) +
                                  " X\r\nContent-Type: application/json\r\n";
        const QByteArray length = "Content-Length: " + QByteArray::number(list.size()) + "\r\n";
        switch (http) {
            case Http::Serve:
                client->write(status + length + "\r\n" + list);
                break;
            case Http::UntilClose:
                client->write(status + "\r\n" + list);
                client->disconnectFromHost();
                break;
            case Http::Silent:
                break;
            case Http::CloseMidway:
                client->write(status + length + "\r\n" + list.left(40));
                client->disconnectFromHost();
                break;
        }
    }

    void command(QWebSocket* page, const QString& text) {
        const QJsonObject message = QJsonDocument::fromJson(text.toUtf8()).object();
        const int id = message.value(u"id"_s).toInt();
        navigations << page->requestUrl().path() + u' ' + message[u"params"_s][u"url"_s].toString();
        const auto send = [page](const QJsonObject& object) {
            page->sendTextMessage(QString::fromUtf8(QJsonDocument(object).toJson()));
        };
        switch (socket) {
            case Socket::Answer:
                send({{u"method"_s, u"Page.frameStartedLoading"_s}});
                send({{u"id"_s, id + 1}, {u"result"_s, QJsonObject{}}});
                send({{u"id"_s, id}, {u"result"_s, QJsonObject{{u"frameId"_s, u"F"_s}}}});
                break;
            case Socket::Error:
                send({{u"id"_s, id},
                      {u"error"_s, QJsonObject{{u"code"_s, -32000}, {u"message"_s, u"no"_s}}}});
                break;
            case Socket::Silent:
                break;
        }
    }

    QTcpServer m_server;
    QWebSocketServer m_sockets{u"fake"_s, QWebSocketServer::NonSecureMode};
};

const QString chromium = u"chromium"_s;
using Status = BrowserAnswer::Status;

// The fake, one process that names its port, and the backend over both.
struct Rig {
    FakeDevTools browser;
    QTemporaryDir dir;
    CdpBrowserScripting scripting{
        [](const QString& site) { return "<title>Blocked " + site.toUtf8() + "</title>"; },
        dir.filePath(u"proc"_s), dir.path(), std::chrono::milliseconds(300)};

    Rig() {
        QDir().mkpath(dir.filePath(u"proc/777"_s));
        QFile cmdline(dir.filePath(u"proc/777/cmdline"_s));
        if (cmdline.open(QIODevice::WriteOnly)) {
            cmdline.write(QByteArray("/usr/lib/chromium/chromium") + '\0' +
                          "--remote-debugging-port=" + QByteArray::number(browser.port()) + '\0');
        }
    }
    BrowserAnswer read(const QString& name = chromium) {
        return onBrowserThread([&] { return scripting.readFrontTab(browserFamilyFromKey(name)); });
    }
    BrowserAnswer redirect(const QString& url, const QString& name = chromium) {
        return onBrowserThread([&] {
            return scripting.redirectFrontTab(browserFamilyFromKey(name), {url, {}});
        });
    }

    // As the engine calls the port: on its browser thread, while this thread serves the fake.
    static BrowserAnswer onBrowserThread(const std::function<BrowserAnswer()>& call) {
        BrowserWorker worker;
        std::atomic<bool> done = false;
        BrowserAnswer answer;
        worker.submit([&] {
            answer = call();
            done = true;
        });
        if (!QTest::qWaitFor([&] { return done.load(); }, 20000)) {
            qCritical("the call is still running after 20 s");
        }
        return answer;
    }
};

}  // namespace

class TestCdpBrowserScripting : public QObject {
    Q_OBJECT

private slots:
    void readsTheFirstPageOfTheList_data() {
        QTest::addColumn<FakeDevTools::Http>("http");
        QTest::addColumn<int>("httpStatus");
        QTest::addColumn<QByteArray>("list");
        QTest::addColumn<Status>("expected");
        QTest::addColumn<QString>("address");
        using Http = FakeDevTools::Http;
        const QByteArray pages = FakeDevTools().list;
        // Well-formed, so only the size can make these fail.
        QByteArray huge = "[";
        while (huge.size() < 5 * 1024 * 1024) {
            huge += "{\"type\": \"page\", \"url\": \"https://big.example/\"},";
        }
        huge.back() = ']';
        const QString front = u"https://front.example/"_s;
        QTest::newRow("announced length") << Http::Serve << 200 << pages << Status::Ok << front;
        QTest::newRow("up to the close") << Http::UntilClose << 200 << pages << Status::Ok << front;
        QTest::newRow("no page, no address")
            << Http::Serve << 200
            << QByteArray("[{\"type\": \"background_page\", \"url\": \"chrome-extension://a/\"}]")
            << Status::Ok << QString();
        QTest::newRow("silent") << Http::Silent << 200 << pages << Status::Failed << QString();
        QTest::newRow("closes mid-way")
            << Http::CloseMidway << 200 << pages << Status::Failed << QString();
        QTest::newRow("over 4 MiB") << Http::Serve << 200 << huge << Status::Failed << QString();
        QTest::newRow("over 4 MiB up to the close")
            << Http::UntilClose << 200 << huge << Status::Failed << QString();
        QTest::newRow("not JSON") << Http::Serve << 200 << QByteArray("[{nope") << Status::Failed
                                  << QString();
        QTest::newRow("not a list")
            << Http::Serve << 200 << QByteArray("{}") << Status::Failed << QString();
        QTest::newRow("server error") << Http::Serve << 500 << pages << Status::Failed << QString();
    }
    void readsTheFirstPageOfTheList() {
        QFETCH(FakeDevTools::Http, http);
        QFETCH(int, httpStatus);
        QFETCH(QByteArray, list);
        QFETCH(Status, expected);
        QFETCH(QString, address);
        Rig rig;
        rig.browser.http = http;
        rig.browser.httpStatus = httpStatus;
        rig.browser.list = list;
        const BrowserAnswer answer = rig.read();
        QCOMPARE(answer.status, expected);
        QCOMPARE(answer.address, address);
    }

    // The page announces a far host for its socket; only its path is used, on the loopback port.
    void redirectNavigatesTheFirstPageOnLoopback_data() {
        QTest::addColumn<FakeDevTools::Socket>("socket");
        QTest::addColumn<QByteArray>("list");
        QTest::addColumn<Status>("expected");
        QTest::addColumn<bool>("navigated");
        using Socket = FakeDevTools::Socket;
        const QByteArray pages = FakeDevTools().list;
        QTest::newRow("confirmed after other messages")
            << Socket::Answer << pages << Status::Ok << true;
        QTest::newRow("protocol error") << Socket::Error << pages << Status::Failed << true;
        QTest::newRow("never answers") << Socket::Silent << pages << Status::Failed << true;
        QTest::newRow("no page") << Socket::Answer << QByteArray("[]") << Status::Failed << false;
        QTest::newRow("bad list") << Socket::Answer << QByteArray("[{") << Status::Failed << false;
    }
    void redirectNavigatesTheFirstPageOnLoopback() {
        QFETCH(FakeDevTools::Socket, socket);
        QFETCH(QByteArray, list);
        QFETCH(Status, expected);
        QFETCH(bool, navigated);
        Rig rig;
        rig.browser.socket = socket;
        rig.browser.list = list;
        const QString bridge = u"http://127.0.0.1:49152/blocked?site=front.example"_s;
        QCOMPARE(rig.redirect(bridge).status, expected);
        QCOMPARE(rig.browser.navigations,
                 navigated ? QStringList{u"/devtools/page/P1 "_s + bridge} : QStringList());
    }

    void refusedWhenNothingServesTheBrowser_data() {
        QTest::addColumn<QString>("browser");
        QTest::addColumn<bool>("listening");
        QTest::newRow("port closed") << chromium << false;
        QTest::newRow("no process of the family") << u"Google Chrome"_s << true;
        QTest::newRow("Firefox") << u"Firefox ESR"_s << true;
    }
    void refusedWhenNothingServesTheBrowser() {
        QFETCH(QString, browser);
        QFETCH(bool, listening);
        Rig rig;
        if (!listening) {
            rig.browser.close();
        }
        QCOMPARE(rig.read(browser).status, Status::Refused);
        QCOMPARE(rig.redirect(u"x:"_s, browser).status, Status::Refused);
    }
};

QTEST_GUILESS_MAIN(TestCdpBrowserScripting)
#include "tst_cdpbrowserscripting.moc"
