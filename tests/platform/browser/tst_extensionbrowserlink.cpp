// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "browser/BrowserLinkProtocol.h"
#include "browser/ExtensionBrowserLink.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
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
    FakeHost(const QString& path, const QString& family, int version = browserLinkVersion) {
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
        if (version > 0) {
            send({{QStringLiteral("type"), QStringLiteral("extension")},
                  {QStringLiteral("version"), version}});
        }
    }

    void send(const QJsonObject& message) { sendRaw(encodeFrame(QJsonDocument(message).toJson())); }
    void sendRaw(const QByteArray& bytes) {
        m_socket.write(bytes);
        m_socket.flush();
    }
    void front(const QString& url, qint64 tabId, bool focused, bool privateWindows = true,
               qint64 hold = -1) {
        QJsonObject report{{QStringLiteral("type"), QStringLiteral("front")},
                           {QStringLiteral("url"), url},
                           {QStringLiteral("tabId"), tabId},
                           {QStringLiteral("windowId"), 1},
                           {QStringLiteral("focused"), focused},
                           {QStringLiteral("privateWindows"), privateWindows}};
        if (hold >= 0) {
            report.insert(QStringLiteral("hold"), hold);
        }
        send(report);
    }
    // The extension holds a navigation of tab 7 to url until it is judged.
    void holding(const QString& url, qint64 hold) { front(url, 7, true, true, hold); }
    // The holds the app let go, in order.
    QList<qint64> letGo() const {
        QList<qint64> out;
        for (const QJsonObject& message : receivedOfType("release")) {
            out.append(message.value(QLatin1String("hold")).toInteger());
        }
        return out;
    }
    // The messages of one type the app sent, in order.
    QList<QJsonObject> receivedOfType(const char* type) const {
        QList<QJsonObject> out;
        for (const QJsonObject& message : m_received) {
            if (message.value(QLatin1String("type")).toString() == QLatin1String(type)) {
                out.append(message);
            }
        }
        return out;
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

constexpr BrowserFamily firefox = BrowserFamily::Firefox;
constexpr BrowserFamily chromium = BrowserFamily::Chromium;
const BrowserRedirect toX{QStringLiteral("http://x/"), {}};

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
        QCOMPARE(m_link->readFrontTab(firefox).status, Status::Refused);
        QCOMPARE(m_link->redirectFrontTab(firefox, toX).status, Status::Refused);
        QVERIFY(!m_link->reachesAnyBrowser());
        QCOMPARE(QFile::permissions(m_dir->filePath(QStringLiteral("quorel"))),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadUser |
                     QFile::WriteUser | QFile::ExeUser);
    }

    void readAnswersTheFamilysLastFocusedWindow() {
        FakeHost work(m_path, QStringLiteral("chromium"));
        FakeHost home(m_path, QStringLiteral("chromium"));
        FakeHost fox(m_path, QStringLiteral("firefox"));
        const auto read = [this](BrowserFamily family) { return m_link->readFrontTab(family); };

        work.front(QStringLiteral("https://work.example/"), 1, true);
        home.front(QStringLiteral("https://home.example/"), 2, false);
        fox.front(QStringLiteral("https://fox.example/"), 3, true);
        QTRY_COMPARE(read(firefox).address, QStringLiteral("https://fox.example/"));
        QTRY_COMPARE(read(chromium).address, QStringLiteral("https://work.example/"));
        QCOMPARE(read(chromium).status, Status::Ok);
        QCOMPARE(read(BrowserFamily::Chrome).status, Status::Refused);
        QCOMPARE(read(BrowserFamily::Unknown).status, Status::Refused);
        QVERIFY(m_link->reachesAnyBrowser());
        // The hosts name a parent that runs no browser here (as in a sandbox): they stand for
        // every process of their family.
        QVERIFY(m_link->guardsBrowser(chromium, 0));
        QVERIFY(m_link->guardsBrowser(chromium, 999));
        QVERIFY(!m_link->guardsBrowser(BrowserFamily::Chrome, 0));

        // The other profile's window takes the focus; the first one's later unfocused
        // heartbeat does not take it back.
        home.front(QStringLiteral("https://home.example/"), 2, true);
        work.front(QStringLiteral("https://work.example/"), 1, false);
        QTRY_COMPARE(read(chromium).address, QStringLiteral("https://home.example/"));

        // A window that reports it lost the focus (to a private window the extension may not
        // see) is no longer taken as the front tab, however recent its report.
        home.close();
        QTRY_COMPARE(read(chromium).status, Status::Failed);
        QCOMPARE(read(chromium).address, QString());
        work.front(QStringLiteral("https://work.example/2"), 1, true);
        QTRY_COMPARE(read(chromium).address, QStringLiteral("https://work.example/2"));
    }

    // The engine is told of another address or focus at once, not of a heartbeat's repeat.
    void tellsOfChangesOnly() {
        std::atomic<int> told{0};
        m_link->setFrontTabChangedHandler([&told] { ++told; });
        FakeHost host(m_path, QStringLiteral("chromium"));
        host.front(QStringLiteral("https://a.example/"), 1, true);
        QTRY_COMPARE(told.load(), 1);
        host.front(QStringLiteral("https://a.example/"), 1, true);
        host.front(QStringLiteral("https://b.example/"), 1, true);
        QTRY_COMPARE(told.load(), 2);
        host.front(QStringLiteral("https://b.example/"), 1, false);
        QTRY_COMPARE(told.load(), 3);
        m_link->setFrontTabChangedHandler({});
        host.front(QStringLiteral("https://c.example/"), 1, true);
        QTRY_COMPARE(m_link->readFrontTab(chromium).address, QStringLiteral("https://c.example/"));
        QCOMPARE(told.load(), 3);
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
        const std::unique_ptr<FakeHost> host = showingExample(QStringLiteral("firefox"));
        QVERIFY(host);
        QTRY_COMPARE(
            host->receivedOfType("welcome").value(0).value(QLatin1String("version")).toInt(),
            browserLinkVersion);

        const QString target = QStringLiteral("http://127.0.0.1:49152/blocked?site=example.org");
        auto answer = onWorker([&] { return m_link->redirectFrontTab(firefox, {target, {}}); });
        QTRY_COMPARE(host->receivedOfType("navigate").size(), 1);
        const QJsonObject navigate = host->receivedOfType("navigate").first();
        QCOMPARE(navigate.value(QLatin1String("type")).toString(), QStringLiteral("navigate"));
        QCOMPARE(navigate.value(QLatin1String("tabId")).toInteger(), 7);
        QCOMPARE(navigate.value(QLatin1String("url")).toString(), target);
        // A reply to another request changes nothing.
        host->send({{QStringLiteral("type"), QStringLiteral("done")},
                    {QStringLiteral("id"), navigate.value(QLatin1String("id")).toInteger() + 1},
                    {QStringLiteral("ok"), true}});
        host->send({{QStringLiteral("type"), QStringLiteral("done")},
                    {QStringLiteral("id"), navigate.value(QLatin1String("id"))},
                    {QStringLiteral("ok"), ok}});
        QTRY_VERIFY(ready(answer));
        QCOMPARE(answer.get().status, status);
        // A tab on its way to the target is read as there, so it is not sent twice.
        QCOMPARE(m_link->readFrontTab(firefox).address,
                 ok ? target : QStringLiteral("https://example.org/"));
    }

    // A blocked site goes to the extension's own page, by site, where its rules send it too:
    // with the bridge's page on offer or without a bridge of ours.
    void blockedSiteGoesToTheExtensionsOwnPage_data() {
        QTest::addColumn<QString>("address");
        QTest::newRow("no bridge") << QString();
        QTest::newRow("bridge page on offer")
            << QStringLiteral("http://127.0.0.1:49152/blocked?site=example.org");
    }
    void blockedSiteGoesToTheExtensionsOwnPage() {
        QFETCH(QString, address);
        const std::unique_ptr<FakeHost> host = showingExample(QStringLiteral("chromium"));
        QVERIFY(host);
        auto answer = onWorker([&] {
            return m_link->redirectFrontTab(chromium, {address, QStringLiteral("example.org")});
        });
        QTRY_COMPARE(host->receivedOfType("navigate").size(), 1);
        const QJsonObject navigate = host->receivedOfType("navigate").first();
        QCOMPARE(navigate.value(QLatin1String("blockedSite")).toString(), u"example.org");
        QVERIFY(!navigate.contains(QLatin1String("url")));
        host->send({{QStringLiteral("type"), QStringLiteral("done")},
                    {QStringLiteral("id"), navigate.value(QLatin1String("id"))},
                    {QStringLiteral("ok"), true}});
        QTRY_VERIFY(ready(answer));
        QCOMPARE(answer.get().status, Status::Ok);
        QCOMPARE(m_link->readFrontTab(chromium).address, QString());  // on its way: not judged
    }

    // The rules reach every extension of this release at once, and each one that comes later
    // (a browser started, a host restarted) right after its welcome; never one of another
    // release, which would misread them.
    void rulesReachEveryExtensionNowAndLater() {
        FakeHost early(m_path, QStringLiteral("firefox"));
        FakeHost old(m_path, QStringLiteral("chromium"), browserLinkVersion - 1);
        QTRY_COMPARE(early.receivedOfType("welcome").size(), 1);
        QTRY_COMPARE(old.receivedOfType("welcome").size(), 1);
        QCOMPARE(early.receivedOfType("rules").size(), 0);  // nothing decided yet

        BrowserRules rules;
        rules.sites = {QStringLiteral("example.org"), QStringLiteral("xn--bcher-kva.de")};
        rules.sitesUntil = 1'800'000'000'000;
        rules.adultSites = {QStringLiteral("pornhub.com")};
        rules.blockYouTubeShorts = true;
        m_link->setRules(rules);
        QTRY_COMPARE(early.receivedOfType("rules").size(), 1);
        const QJsonObject sent = early.receivedOfType("rules").first();
        QCOMPARE(sent.value(QLatin1String("sites")).toVariant().toStringList(), rules.sites);
        QCOMPARE(sent.value(QLatin1String("sitesUntil")).toInteger(), rules.sitesUntil);
        QCOMPARE(sent.value(QLatin1String("adultSites")).toVariant().toStringList(),
                 rules.adultSites);
        QCOMPARE(sent.value(QLatin1String("shorts")).toBool(), true);
        QCOMPARE(sent.value(QLatin1String("reels")).toBool(), false);

        rules.sites.clear();
        rules.sitesUntil = 0;
        m_link->setRules(rules);
        FakeHost late(m_path, QStringLiteral("chromium"));
        QTRY_COMPARE(early.receivedOfType("rules").size(), 2);
        QTRY_COMPARE(late.receivedOfType("rules").size(), 1);
        QCOMPARE(late.received().first().value(QLatin1String("type")).toString(), u"welcome");
        QCOMPARE(late.receivedOfType("rules").first().value(QLatin1String("sites")).toArray(),
                 QJsonArray());
        QTest::qWait(20);
        QCOMPARE(old.receivedOfType("rules").size(), 0);

        // The last rules, told as the app quits, leave before the link closes.
        rules.blockYouTubeShorts = false;
        m_link->setRules(rules);
        m_link.reset();
        QTRY_COMPARE(late.receivedOfType("rules").size(), 2);
    }

    // An extension of another release (or of the first, which names none) is not read, and
    // the answer says why; one that cannot see private windows says so with every read.
    void theExtensionsReleaseAndPrivateWindows() {
        FakeHost old(m_path, QStringLiteral("chromium"), 0);
        FakeHost newer(m_path, QStringLiteral("firefox"), browserLinkVersion + 1);
        old.front(QStringLiteral("https://example.org/"), 1, true);
        newer.front(QStringLiteral("https://example.org/"), 1, true);
        QTRY_VERIFY(m_link->readFrontTab(firefox).otherRelease);
        QCOMPARE(m_link->readFrontTab(firefox).status, Status::Refused);
        QTRY_VERIFY(m_link->readFrontTab(chromium).otherRelease);
        QCOMPARE(m_link->redirectFrontTab(chromium, toX).status, Status::Refused);
        QVERIFY(!m_link->reachesAnyBrowser());

        FakeHost edge(m_path, QStringLiteral("edge"));
        edge.front(QStringLiteral("https://example.org/"), 1, true, false);
        QTRY_COMPARE(m_link->readFrontTab(BrowserFamily::Edge).status, Status::Ok);
        QVERIFY(m_link->readFrontTab(BrowserFamily::Edge).privateWindowsUnseen);
        QVERIFY(!m_link->readFrontTab(BrowserFamily::Edge).otherRelease);
    }

    // A held navigation is let go once its read is judged harmless, sent on by a redirect, or let
    // go at once while nothing is judged; a hold that came after the read waits for its own.
    void heldNavigations() {
        std::atomic<int> told{0};
        m_link->setFrontTabChangedHandler([&told] { ++told; });
        const std::unique_ptr<FakeHost> host = showingExample(QStringLiteral("firefox"));
        QVERIFY(host);
        const QString example = QStringLiteral("https://example.org/");
        host->holding(example, 1);
        QTRY_COMPARE(host->letGo(), QList<qint64>{1});

        m_link->setJudging(true);
        const int before = told.load();
        host->holding(example, 2);  // the same address, held: judged all the same
        QTRY_COMPARE(told.load(), before + 1);
        m_link->readFrontTab(firefox);
        host->holding(QStringLiteral("https://kde.org/"), 3);
        QTRY_COMPARE(told.load(), before + 2);
        m_link->letFrontTabLoad(firefox);  // judged 2, which 3 replaced
        QTest::qWait(50);
        QCOMPARE(host->letGo(), QList<qint64>{1});
        m_link->readFrontTab(firefox);
        m_link->letFrontTabLoad(firefox);
        QTRY_COMPARE(host->letGo(), (QList<qint64>{1, 3}));

        host->holding(example, 4);
        QTRY_COMPARE(told.load(), before + 3);
        auto answer = onWorker([&] { return m_link->redirectFrontTab(firefox, toX); });
        QTRY_COMPARE(host->receivedOfType("navigate").size(), 1);
        host->send({{QStringLiteral("type"), QStringLiteral("done")},
                    {QStringLiteral("id"),
                     host->receivedOfType("navigate").first().value(QLatin1String("id"))},
                    {QStringLiteral("ok"), true}});
        QTRY_VERIFY(ready(answer));
        m_link->letFrontTabLoad(firefox);  // the redirect took it

        host->holding(example, 5);
        host->holding(example, 6);
        QTRY_COMPARE(told.load(), before + 5);
        m_link->letFrontTabLoad(BrowserFamily::Unknown);  // no browser in front
        host->holding(example, 7);
        QTRY_COMPARE(told.load(), before + 6);
        m_link->setJudging(false);
        QTRY_COMPARE(host->letGo(), (QList<qint64>{1, 3, 6, 7}));
        m_link->setFrontTabChangedHandler({});
    }

    void silentExtensionTimesOut() {
        m_link->setReplyTimeout(200ms);
        const std::unique_ptr<FakeHost> host = showingExample(QStringLiteral("chromium"));
        QVERIFY(host);
        auto answer = onWorker([&] { return m_link->redirectFrontTab(chromium, toX); });
        QTRY_VERIFY(ready(answer));
        QCOMPARE(answer.get().status, Status::Failed);
        QTRY_COMPARE(host->receivedOfType("navigate").size(), 1);
    }

    void hostGoneMidRequestFailsWithoutWaitingOut() {
        m_link->setReplyTimeout(60s);
        const std::unique_ptr<FakeHost> host = showingExample(QStringLiteral("chromium"));
        QVERIFY(host);
        auto answer = onWorker([&] { return m_link->redirectFrontTab(chromium, toX); });
        QTRY_COMPARE(host->receivedOfType("navigate").size(), 1);
        host->close();
        QTRY_VERIFY_WITH_TIMEOUT(ready(answer), 10000);
        QCOMPARE(answer.get().status, Status::Failed);
        QCOMPARE(m_link->readFrontTab(chromium).status, Status::Refused);
    }

    // A message over the cap costs that message, not the link; junk is ignored.
    void oversizedAndBrokenMessagesAreSkipped() {
        FakeHost host(m_path, QStringLiteral("firefox"));
        host.front(QStringLiteral("https://good.example/"), 2, true);
        QTRY_COMPARE(m_link->readFrontTab(firefox).status, Status::Ok);
        const qsizetype over = maxFrameSize + 1;
        const auto length = static_cast<quint32>(over);
        host.sendRaw(QByteArray(reinterpret_cast<const char*>(&length), 4) + QByteArray(over, 'x'));
        host.sendRaw(QByteArray(4, '\0'));  // an empty frame
        host.sendRaw(encodeFrame("not json"));
        host.sendRaw(encodeFrame("[1,2]"));
        host.front(QStringLiteral("https://good.example/2"), 2, true);
        QTRY_COMPARE(m_link->readFrontTab(firefox).address,
                     QStringLiteral("https://good.example/2"));
    }

    void closingWakesAWaitingRedirect() {
        m_link->setReplyTimeout(60s);
        const std::unique_ptr<FakeHost> host = showingExample(QStringLiteral("chromium"));
        QVERIFY(host);
        ExtensionBrowserLink* link = m_link.get();
        auto answer = onWorker([link] { return link->redirectFrontTab(chromium, toX); });
        QTRY_COMPARE(host->receivedOfType("navigate").size(), 1);
        // The engine joins its worker before the link goes; the link must let the worker go.
        auto closing = std::async(std::launch::async, [this] { m_link.reset(); });
        QVERIFY(answer.wait_for(10s) == std::future_status::ready);
        QCOMPARE(answer.get().status, Status::Failed);
        closing.get();
    }

    // A socket left by a crash is replaced; one a running Quorel answers on is not taken.
    void aStaleSocketIsReplacedALiveOneKept() {
        QVERIFY(!ExtensionBrowserLink::create(m_path));
        FakeHost first(m_path, QStringLiteral("edge"));
        first.front(QStringLiteral("https://example.org/"), 1, true);
        QTRY_COMPARE(m_link->readFrontTab(BrowserFamily::Edge).status, Status::Ok);

        m_link.reset();
        QFile stale(m_path);
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.close();
        m_link = ExtensionBrowserLink::create(m_path);
        QVERIFY(m_link);
        FakeHost host(m_path, QStringLiteral("edge"));
        host.front(QStringLiteral("https://example.org/"), 1, true);
        QTRY_COMPARE(m_link->readFrontTab(BrowserFamily::Edge).status, Status::Ok);
    }

private:
    // A host whose browser shows example.org in tab 7, once the link has read it; null if never.
    std::unique_ptr<FakeHost> showingExample(const QString& family) {
        auto host = std::make_unique<FakeHost>(m_path, family);
        host->front(QStringLiteral("https://example.org/"), 7, true);
        const BrowserFamily browser = browserFamilyFromKey(family);
        const bool read = QTest::qWaitFor(
            [&] { return m_link->readFrontTab(browser).status == Status::Ok; }, 5000);
        return read ? std::move(host) : nullptr;
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
    std::unique_ptr<ExtensionBrowserLink> m_link;
};

QTEST_GUILESS_MAIN(TestExtensionBrowserLink)
#include "tst_extensionbrowserlink.moc"
