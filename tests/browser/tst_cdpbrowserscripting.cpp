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

// One browser process that names port on its command line.
struct Machine {
    QTemporaryDir dir;
    explicit Machine(quint16 port) {
        const QString folder = dir.filePath(u"proc/777"_s);
        QDir().mkpath(folder);
        QFile cmdline(folder + u"/cmdline"_s);
        if (cmdline.open(QIODevice::WriteOnly)) {
            cmdline.write(QByteArray("/usr/lib/chromium/chromium") + '\0' +
                          "--remote-debugging-port=" + QByteArray::number(port) + '\0');
        }
    }
};

const QString chromium = u"Chromium Web Browser"_s;
using Status = BrowserAnswer::Status;

// As the engine calls the port: on its browser thread, while this thread serves the fake.
BrowserAnswer onBrowserThread(const std::function<BrowserAnswer()>& call) {
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

}  // namespace

class TestCdpBrowserScripting : public QObject {
    Q_OBJECT

    static constexpr std::chrono::milliseconds timeout{300};

private slots:
    void readsTheMostRecentlyActivatedPage_data() {
        QTest::addColumn<FakeDevTools::Http>("http");
        QTest::newRow("answer of announced length") << FakeDevTools::Http::Serve;
        QTest::newRow("answer up to the close") << FakeDevTools::Http::UntilClose;
    }
    void readsTheMostRecentlyActivatedPage() {
        QFETCH(FakeDevTools::Http, http);
        FakeDevTools browser;
        browser.http = http;
        Machine machine(browser.port());
        CdpBrowserScripting scripting(machine.dir.filePath(u"proc"_s), machine.dir.path(), timeout);
        const BrowserAnswer answer =
            onBrowserThread([&] { return scripting.readFrontTab(chromium); });
        QCOMPARE(answer.status, Status::Ok);
        QCOMPARE(answer.address, u"https://front.example/"_s);
    }

    void browserWithoutPagesHasNoAddressAndNothingToRedirect() {
        FakeDevTools browser;
        browser.list = "[{\"type\": \"background_page\", \"url\": \"chrome-extension://abc/\"}]";
        Machine machine(browser.port());
        CdpBrowserScripting scripting(machine.dir.filePath(u"proc"_s), machine.dir.path(), timeout);
        const BrowserAnswer read =
            onBrowserThread([&] { return scripting.readFrontTab(chromium); });
        QCOMPARE(read.status, Status::Ok);
        QVERIFY(read.address.isEmpty());
        const BrowserAnswer redirect = onBrowserThread(
            [&] { return scripting.redirectFrontTab(chromium, u"http://127.0.0.1:49152/"_s); });
        QCOMPARE(redirect.status, Status::Failed);
    }

    // The page announces a far host for its socket; only its path is used, on the loopback port.
    void redirectNavigatesTheFrontPageOnLoopback_data() {
        QTest::addColumn<FakeDevTools::Socket>("socket");
        QTest::addColumn<Status>("expected");
        QTest::newRow("confirmed after other messages")
            << FakeDevTools::Socket::Answer << Status::Ok;
        QTest::newRow("protocol error") << FakeDevTools::Socket::Error << Status::Failed;
        QTest::newRow("never answers") << FakeDevTools::Socket::Silent << Status::Failed;
    }
    void redirectNavigatesTheFrontPageOnLoopback() {
        QFETCH(FakeDevTools::Socket, socket);
        QFETCH(Status, expected);
        FakeDevTools browser;
        browser.socket = socket;
        Machine machine(browser.port());
        CdpBrowserScripting scripting(machine.dir.filePath(u"proc"_s), machine.dir.path(), timeout);
        const QString bridge = u"http://127.0.0.1:49152/blocked?site=front.example"_s;
        const BrowserAnswer answer =
            onBrowserThread([&] { return scripting.redirectFrontTab(chromium, bridge); });
        QCOMPARE(answer.status, expected);
        QCOMPARE(browser.navigations, QStringList{u"/devtools/page/P1 "_s + bridge});
    }

    void misbehavingEndpointFails_data() {
        QTest::addColumn<FakeDevTools::Http>("http");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("list");
        const QByteArray pages = "[{\"type\": \"page\", \"url\": \"https://a.example/\"}]";
        QTest::newRow("accepts and stays silent") << FakeDevTools::Http::Silent << 200 << pages;
        QTest::newRow("closes mid-way") << FakeDevTools::Http::CloseMidway << 200 << pages;
        // Well-formed, so only the size can make these fail.
        QByteArray huge = "[";
        while (huge.size() < 5 * 1024 * 1024) {
            huge += "{\"type\": \"page\", \"url\": \"https://big.example/\"},";
        }
        huge.back() = ']';
        QTest::newRow("over 4 MiB") << FakeDevTools::Http::Serve << 200 << huge;
        QTest::newRow("over 4 MiB up to the close")
            << FakeDevTools::Http::UntilClose << 200 << huge;
        QTest::newRow("not JSON") << FakeDevTools::Http::Serve << 200 << QByteArray("[{nope");
        QTest::newRow("not a list") << FakeDevTools::Http::Serve << 200 << QByteArray("{}");
        QTest::newRow("server error") << FakeDevTools::Http::Serve << 500 << pages;
    }
    void misbehavingEndpointFails() {
        QFETCH(FakeDevTools::Http, http);
        QFETCH(int, status);
        QFETCH(QByteArray, list);
        FakeDevTools browser;
        browser.http = http;
        browser.httpStatus = status;
        browser.list = list;
        Machine machine(browser.port());
        CdpBrowserScripting scripting(machine.dir.filePath(u"proc"_s), machine.dir.path(), timeout);
        QCOMPARE(onBrowserThread([&] { return scripting.readFrontTab(chromium); }).status,
                 Status::Failed);
        QCOMPARE(
            onBrowserThread([&] { return scripting.redirectFrontTab(chromium, u"x:"_s); }).status,
            Status::Failed);
        QVERIFY(browser.navigations.isEmpty());
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
        auto fake = std::make_unique<FakeDevTools>();
        Machine machine(fake->port());
        if (!listening) {
            fake.reset();
        }
        CdpBrowserScripting scripting(machine.dir.filePath(u"proc"_s), machine.dir.path(), timeout);
        QCOMPARE(onBrowserThread([&] { return scripting.readFrontTab(browser); }).status,
                 Status::Refused);
        QCOMPARE(
            onBrowserThread([&] { return scripting.redirectFrontTab(browser, u"x:"_s); }).status,
            Status::Refused);
    }
};

QTEST_GUILESS_MAIN(TestCdpBrowserScripting)
#include "tst_cdpbrowserscripting.moc"
