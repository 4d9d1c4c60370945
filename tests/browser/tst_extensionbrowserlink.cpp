#include "browser/BrowserLinkProtocol.h"
#include "browser/ExtensionBrowserLink.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QTest>

#include <future>
#include <memory>

using namespace Quorel;
using namespace std::chrono_literals;
using Status = BrowserAnswer::Status;

namespace {

// What quorel-browser-host looks like from the app: a local socket that says hello and then
// relays the extension's messages.
class FakeHost {
public:
    FakeHost(const QString& path, const QString& family) {
        m_socket.connectToServer(path);
        if (!m_socket.waitForConnected(5000)) {
            qFatal("fake host: cannot connect");
        }
        QObject::connect(&m_socket, &QLocalSocket::readyRead, &m_socket, [this] {
            m_decoder.append(m_socket.readAll());
            while (auto frame = m_decoder.next()) {
                m_received.append(QJsonDocument::fromJson(*frame).object());
            }
        });
        send({{QStringLiteral("type"), QStringLiteral("hello")},
              {QStringLiteral("family"), family},
              {QStringLiteral("browserPid"), 4242}});
    }

    void send(const QJsonObject& message) { sendRaw(encodeFrame(QJsonDocument(message).toJson())); }
    void sendRaw(const QByteArray& bytes) {
        m_socket.write(bytes);
        m_socket.flush();
    }
    void front(const QString& url, qint64 tabId, bool focused) {
        send({{QStringLiteral("type"), QStringLiteral("front")},
              {QStringLiteral("url"), url},
              {QStringLiteral("tabId"), tabId},
              {QStringLiteral("windowId"), 1},
              {QStringLiteral("focused"), focused}});
    }
    QList<QJsonObject>& received() { return m_received; }
    void close() { m_socket.abort(); }

private:
    QLocalSocket m_socket;
    FrameDecoder m_decoder;
    QList<QJsonObject> m_received;
};

// The engine calls from its worker thread; the test thread meanwhile runs the fake hosts.
std::future<BrowserAnswer> onWorker(std::function<BrowserAnswer()> call) {
    return std::async(std::launch::async, std::move(call));
}

bool ready(const std::future<BrowserAnswer>& answer) {
    return answer.wait_for(0s) == std::future_status::ready;
}

}  // namespace

class TestExtensionBrowserLink : public QObject {
    Q_OBJECT
private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        m_path = m_dir->filePath(QStringLiteral("quorel/browser-link"));
        m_link = ExtensionBrowserLink::create(m_path);
        QVERIFY(m_link);
    }
    void cleanup() {
        m_link.reset();
        m_dir.reset();
    }

    void nothingConnectedIsRefused() {
        QCOMPARE(m_link->readFrontTab(QStringLiteral("Firefox ESR")).status, Status::Refused);
        QCOMPARE(
            m_link->redirectFrontTab(QStringLiteral("Firefox ESR"), QStringLiteral("http://x/"))
                .status,
            Status::Refused);
        QCOMPARE(QFile::permissions(m_dir->filePath(QStringLiteral("quorel"))),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadUser |
                     QFile::WriteUser | QFile::ExeUser);
    }

    void readAnswersTheFamilysLastFocusedWindow() {
        FakeHost work(m_path, QStringLiteral("chromium"));
        FakeHost home(m_path, QStringLiteral("chromium"));
        FakeHost firefox(m_path, QStringLiteral("firefox"));
        const auto read = [this](const char* name) {
            return m_link->readFrontTab(QLatin1String(name));
        };

        work.front(QStringLiteral("https://work.example/"), 1, true);
        home.front(QStringLiteral("https://home.example/"), 2, false);
        firefox.front(QStringLiteral("https://fox.example/"), 3, false);
        QTRY_COMPARE(read("Firefox ESR").address, QStringLiteral("https://fox.example/"));
        QTRY_COMPARE(read("Chromium Web Browser").address, QStringLiteral("https://work.example/"));
        QCOMPARE(read("Chromium Web Browser").status, Status::Ok);
        QCOMPARE(read("Google Chrome").status, Status::Refused);
        QCOMPARE(read("Safari").status, Status::Refused);

        // The other profile's window takes the focus; the first one's later unfocused
        // heartbeat does not take it back.
        home.front(QStringLiteral("https://home.example/"), 2, true);
        work.front(QStringLiteral("https://work.example/"), 1, false);
        QTRY_COMPARE(read("Chromium").address, QStringLiteral("https://home.example/"));

        home.close();
        QTRY_COMPARE(read("Chromium").address, QStringLiteral("https://work.example/"));
    }

    void redirectRoundTrip_data() {
        QTest::addColumn<bool>("ok");
        QTest::addColumn<Status>("status");
        QTest::newRow("loaded") << true << Status::Ok;
        QTest::newRow("browser refused the address") << false << Status::Failed;
    }
    void redirectRoundTrip() {
        QFETCH(bool, ok);
        QFETCH(Status, status);
        FakeHost host(m_path, QStringLiteral("firefox"));
        host.front(QStringLiteral("https://example.org/"), 7, true);
        QTRY_COMPARE(m_link->readFrontTab(QStringLiteral("Firefox")).status, Status::Ok);

        const QString target = QStringLiteral("http://127.0.0.1:49152/blocked?site=example.org");
        auto answer =
            onWorker([&] { return m_link->redirectFrontTab(QStringLiteral("Firefox"), target); });
        QTRY_COMPARE(host.received().size(), 1);
        const QJsonObject navigate = host.received().first();
        QCOMPARE(navigate.value(QLatin1String("type")).toString(), QStringLiteral("navigate"));
        QCOMPARE(navigate.value(QLatin1String("tabId")).toInteger(), 7);
        QCOMPARE(navigate.value(QLatin1String("url")).toString(), target);
        // A reply to another request changes nothing.
        host.send({{QStringLiteral("type"), QStringLiteral("done")},
                   {QStringLiteral("id"), navigate.value(QLatin1String("id")).toInteger() + 1},
                   {QStringLiteral("ok"), true}});
        host.send({{QStringLiteral("type"), QStringLiteral("done")},
                   {QStringLiteral("id"), navigate.value(QLatin1String("id"))},
                   {QStringLiteral("ok"), ok}});
        QTRY_VERIFY(ready(answer));
        QCOMPARE(answer.get().status, status);
        // A tab on its way to the target is read as there, so it is not sent twice.
        QCOMPARE(m_link->readFrontTab(QStringLiteral("Firefox")).address,
                 ok ? target : QStringLiteral("https://example.org/"));
    }

    void silentExtensionTimesOut() {
        m_link->setReplyTimeout(200ms);
        FakeHost host(m_path, QStringLiteral("chromium"));
        host.front(QStringLiteral("https://example.org/"), 7, true);
        QTRY_COMPARE(m_link->readFrontTab(QStringLiteral("Chromium")).status, Status::Ok);
        auto answer = onWorker([&] {
            return m_link->redirectFrontTab(QStringLiteral("Chromium"),
                                            QStringLiteral("http://x/"));
        });
        QTRY_VERIFY(ready(answer));
        QCOMPARE(answer.get().status, Status::Failed);
        QCOMPARE(host.received().size(), 1);
    }

    void hostGoneMidRequestFailsWithoutWaitingOut() {
        m_link->setReplyTimeout(60s);
        FakeHost host(m_path, QStringLiteral("chromium"));
        host.front(QStringLiteral("https://example.org/"), 7, true);
        QTRY_COMPARE(m_link->readFrontTab(QStringLiteral("Chromium")).status, Status::Ok);
        auto answer = onWorker([&] {
            return m_link->redirectFrontTab(QStringLiteral("Chromium"),
                                            QStringLiteral("http://x/"));
        });
        QTRY_COMPARE(host.received().size(), 1);
        host.close();
        QTRY_VERIFY_WITH_TIMEOUT(ready(answer), 10000);
        QCOMPARE(answer.get().status, Status::Failed);
        QCOMPARE(m_link->readFrontTab(QStringLiteral("Chromium")).status, Status::Refused);
    }

    void brokenPeerIsDroppedOthersKeepWorking() {
        FakeHost good(m_path, QStringLiteral("firefox"));
        FakeHost bad(m_path, QStringLiteral("chromium"));
        bad.front(QStringLiteral("https://bad.example/"), 1, true);
        good.front(QStringLiteral("https://good.example/"), 2, true);
        QTRY_COMPARE(m_link->readFrontTab(QStringLiteral("Chromium")).status, Status::Ok);
        bad.sendRaw(QByteArray("\xff\xff\xff\x7f", 4) + "{}");
        bad.sendRaw(encodeFrame("not json"));
        QTRY_COMPARE(m_link->readFrontTab(QStringLiteral("Chromium")).status, Status::Refused);
        good.sendRaw(encodeFrame("[1,2]"));
        good.front(QStringLiteral("https://good.example/2"), 2, true);
        QTRY_COMPARE(m_link->readFrontTab(QStringLiteral("Firefox")).address,
                     QStringLiteral("https://good.example/2"));
    }

    void closingWakesAWaitingRedirect() {
        m_link->setReplyTimeout(60s);
        FakeHost host(m_path, QStringLiteral("chromium"));
        host.front(QStringLiteral("https://example.org/"), 7, true);
        QTRY_COMPARE(m_link->readFrontTab(QStringLiteral("Chromium")).status, Status::Ok);
        ExtensionBrowserLink* link = m_link.get();
        auto answer = onWorker([link] {
            return link->redirectFrontTab(QStringLiteral("Chromium"), QStringLiteral("http://x/"));
        });
        QTRY_COMPARE(host.received().size(), 1);
        // The engine joins its worker before the link goes; the link must let the worker go.
        auto closing = std::async(std::launch::async, [this] { m_link.reset(); });
        QVERIFY(answer.wait_for(10s) == std::future_status::ready);
        QCOMPARE(answer.get().status, Status::Failed);
        closing.get();
    }

    void aStaleSocketIsReplaced() {
        m_link.reset();
        QFile stale(m_path);
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.close();
        m_link = ExtensionBrowserLink::create(m_path);
        QVERIFY(m_link);
        FakeHost host(m_path, QStringLiteral("edge"));
        host.front(QStringLiteral("https://example.org/"), 1, true);
        QTRY_COMPARE(m_link->readFrontTab(QStringLiteral("Microsoft Edge")).status, Status::Ok);
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
    std::unique_ptr<ExtensionBrowserLink> m_link;
};

QTEST_GUILESS_MAIN(TestExtensionBrowserLink)
#include "tst_extensionbrowserlink.moc"
