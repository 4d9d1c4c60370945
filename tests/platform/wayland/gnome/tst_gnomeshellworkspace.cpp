// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The adapter against a stand-in for the shell extension on a private session bus.

#include "../DBusMembers.h"
#include "wayland/gnome/GnomeShellInterface.h"
#include "wayland/gnome/GnomeShellWorkspace.h"
#include "xdg/DesktopEntries.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QMutex>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <atomic>

using namespace Quorel;

namespace {

const QString extensionService = gnomeShellInterface;
const QString extensionPath = gnomeShellPath;

QVariantMap window(quint64 id, const QString& appId, int pid, bool ordinary = true) {
    return {{QStringLiteral("id"), QVariant::fromValue<qulonglong>(id)},
            {QStringLiteral("wmClass"), appId},
            {QStringLiteral("pid"), pid},
            {QStringLiteral("ordinary"), ordinary}};
}

}  // namespace

// Answers as the extension does, and signals the window in front only to its subscribers; lives
// on its own thread, since the adapter waits for replies.
class FakeExtension : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "app.quorel.GnomeShell")

public:
    void setWindows(QList<QVariantMap> windows, QVariantMap focused) {
        QMutexLocker lock(&m_mutex);
        m_windows = std::move(windows);
        m_focused = std::move(focused);
    }
    QList<qulonglong> minimized() {
        QMutexLocker lock(&m_mutex);
        return m_minimized;
    }
    QStringList subscribers() {
        QMutexLocker lock(&m_mutex);
        return m_subscribers;
    }
    // As the shell does when the extension is turned off and on again.
    void forgetSubscribers() {
        QMutexLocker lock(&m_mutex);
        m_subscribers.clear();
    }

public slots:
    QVariantMap Subscribe() {
        QMutexLocker lock(&m_mutex);
        m_subscribers << message().service();
        return m_focused;
    }
    QList<QVariantMap> Windows() {
        QThread::msleep(windowsDelayMs);  // a busy shell
        QMutexLocker lock(&m_mutex);
        return m_windows;
    }

public:
    std::atomic<unsigned long> windowsDelayMs = 0;

public slots:
    uint MinimizeWindows(const QList<qulonglong>& ids) {
        QMutexLocker lock(&m_mutex);
        m_minimized += ids;
        return static_cast<uint>(ids.size());
    }

private:
    QMutex m_mutex;
    QList<QVariantMap> m_windows;
    QVariantMap m_focused;
    QList<qulonglong> m_minimized;
    QStringList m_subscribers;
};

// The release before, still running in a shell that has not been logged into again since
// Quorel's upgrade: no Subscribe, and focus changes broadcast.
class OlderExtension : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "app.quorel.GnomeShell")

public slots:
    QVariantMap FocusedWindow() { return window(1, QStringLiteral("foot"), 42); }
};

class TestGnomeShellWorkspace : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        qDBusRegisterMetaType<QList<QVariantMap>>();
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--session"), QStringLiteral("--nofork"),
                        QStringLiteral("--print-address=1")});
        QVERIFY2(m_daemon.waitForReadyRead(5000), "dbus-daemon did not start");
        m_address = QString::fromUtf8(m_daemon.readLine().trimmed());
        QFile entry(m_apps.filePath(QStringLiteral("foot.desktop")));
        QVERIFY(entry.open(QIODevice::WriteOnly));
        entry.write("[Desktop Entry]\nType=Application\nName=Foot\nExec=foot\n");
        entry.close();
        m_entries = std::make_unique<DesktopEntries>(QStringList{m_apps.path()},
                                                     QStringList{QStringLiteral("C")});
        m_fakeThread.start();
    }

    void cleanupTestCase() {
        m_fakeThread.quit();
        m_fakeThread.wait(5000);
        m_daemon.kill();
        m_daemon.waitForFinished(5000);
    }

    void init() {
        static int round = 0;
        m_fakeBus = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(m_address, QStringLiteral("fake%1").arg(++round)));
        m_bus = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(m_address, QStringLiteral("adapter%1").arg(round)));
        QVERIFY(m_fakeBus->isConnected() && m_bus->isConnected());
        m_fake = std::make_unique<FakeExtension>();
        m_fake->moveToThread(&m_fakeThread);
    }

    void cleanup() {
        const QString fakeName = m_fakeBus->name();
        const QString adapterName = m_bus->name();
        m_fakeBus.reset();
        m_bus.reset();
        QDBusConnection::disconnectFromBus(fakeName);
        QDBusConnection::disconnectFromBus(adapterName);
        m_fake.reset();
    }

    void absentWithoutShell() {
        QVERIFY(!GnomeShellWorkspace::create(*m_entries, *m_bus, m_home.path()));
    }

    void installsTheExtensionOnceAndSaysHowToEnableIt() {
        QVERIFY(m_fakeBus->registerService(QStringLiteral("org.gnome.Shell")));
        QTemporaryDir home;
        auto workspace = GnomeShellWorkspace::create(*m_entries, *m_bus, home.path());
        QVERIFY(workspace);
        QVERIFY(!workspace->limitation().isEmpty());
        QVERIFY(!workspace->frontmostApplication());
        QVERIFY(workspace->runningApplications().isEmpty());

        const QString metadata = home.path() + u'/' + GnomeShellWorkspace::extensionUuid() +
                                 QStringLiteral("/metadata.json");
        QFile written(metadata);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QVERIFY(written.readAll().contains(GnomeShellWorkspace::extensionUuid().toUtf8()));
        const QDateTime first = QFileInfo(metadata).lastModified();
        QTest::qWait(20);
        QVERIFY(GnomeShellWorkspace::installExtension(home.path()));
        QCOMPARE(QFileInfo(metadata).lastModified(), first);
        QFile contract(QFileInfo(metadata).dir().filePath(gnomeShellInterfaceFile));
        QVERIFY(contract.open(QIODevice::ReadOnly));
        QCOMPARE(contract.readAll(), QByteArray(gnomeShellInterfaceXml));

        // Enabled while Quorel runs: the adapter takes it up.
        m_fake->setWindows({}, window(7, QStringLiteral("foot"), 42));
        publishFake();
        QTRY_VERIFY(workspace->limitation().isEmpty());
        QTRY_COMPARE(workspace->frontmostApplicationName(), QStringLiteral("Foot"));
    }

    // The stand-in answers what the extension's interface file promises, so what the adapter is
    // tested against is what the shell serves.
    void theStandInSpeaksTheExtensionsInterface() {
        publishFake();
        const QDBusMessage reply = m_bus->call(QDBusMessage::createMethodCall(
            extensionService, extensionPath, QStringLiteral("org.freedesktop.DBus.Introspectable"),
            QStringLiteral("Introspect")));
        QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
        QStringList promised =
            dbusMembers(QString::fromUtf8(gnomeShellInterfaceXml), gnomeShellInterface);
        QCOMPARE(promised.size(), 11);
        // The stand-in sends its signals by hand to each subscriber (send), under the names and
        // with the arguments the file gives; its methods are introspected.
        QCOMPARE(promised.filter(QStringLiteral("signal ")),
                 (QStringList{QStringLiteral("signal FocusChanged"),
                              QStringLiteral("signal FocusChanged out 0 a{sv}"),
                              QStringLiteral("signal WindowsShown"),
                              QStringLiteral("signal WindowsShown out 0 aa{sv}")}));
        promised.removeIf([](const QString& member) { return member.startsWith(u"signal "); });
        QCOMPARE(dbusMembers(reply.arguments().value(0).toString(), gnomeShellInterface), promised);
    }

    void reportsEachNewApplicationInFrontOnce() {
        m_fake->setWindows({}, window(1, QStringLiteral("foot"), 42));
        publishFake();
        auto workspace = GnomeShellWorkspace::create(*m_entries, *m_bus, m_home.path());
        QVERIFY(workspace);
        QVERIFY(workspace->limitation().isEmpty());  // subscribing: not yet a limitation
        QTRY_COMPARE(workspace->frontmostApplicationName(), QStringLiteral("Foot"));
        QCOMPARE(workspace->frontmostApplication()->identity, QStringLiteral("foot.desktop"));
        QStringList reported;
        workspace->setActivationHandler(
            [&reported](const RunningApplication& a) { reported << a.key; });

        QVariantMap panel = window(9, QStringLiteral("gnome-shell"), 5);
        panel[QStringLiteral("desktopShell")] = true;
        const QList<QVariantMap> focus{
            window(2, QStringLiteral("foot"), 42),  // another window, same app: no news
            {},                                     // the overview: nothing in front
            panel,
            window(1, QStringLiteral("foot"), 42),
            window(3, QStringLiteral("gedit"), 50),
            {{QStringLiteral("id"), QStringLiteral("not a number")}},
            window(4, QStringLiteral("foot"), 43),  // another foot process
        };
        for (const QVariantMap& w : focus) {
            sendFocus(w);
        }
        QTRY_COMPARE(reported,
                     (QStringList{QStringLiteral("pid:50:gedit"), QStringLiteral("pid:43:foot")}));
        QCOMPARE(workspace->frontmostApplication()->key, QStringLiteral("pid:43:foot"));

        sendFocus({});
        QTRY_VERIFY(!workspace->frontmostApplication());

        // Windows in sight, not in front: each application once, the shell's panel never.
        QStringList shown;
        workspace->setShownHandler([&shown](const RunningApplication& a) { shown << a.key; });
        send(QStringLiteral("WindowsShown"),
             QVariant::fromValue(QList<QVariantMap>{window(5, QStringLiteral("gedit"), 50), panel,
                                                    window(6, QStringLiteral("gedit"), 50),
                                                    window(7, QStringLiteral("foot"), 42)}));
        QTRY_COMPARE(shown,
                     (QStringList{QStringLiteral("pid:50:gedit"), QStringLiteral("pid:42:foot")}));
        QVERIFY(!workspace->frontmostApplication());
        QCOMPARE(reported.size(), 2);
    }

    void groupsWindowsAndHidesOnlyTheApplicationsOwnWindows() {
        QVariantMap desktop = window(20, QStringLiteral("nautilus"), 60);
        desktop[QStringLiteral("desktopShell")] = true;
        QVariantMap self = window(30, QStringLiteral("quorel"), 0);
        m_fake->setWindows(
            {window(10, QStringLiteral("foot"), 42), window(11, QStringLiteral("foot"), 42),
             window(12, QStringLiteral("foot"), 42, false),  // a popup
             window(13, QStringLiteral("foot"), 43), desktop,
             window(14, QStringLiteral("gedit"), 50), self},
            window(10, QStringLiteral("foot"), 42));
        publishFake();
        auto workspace = GnomeShellWorkspace::create(*m_entries, *m_bus, m_home.path());
        QVERIFY(workspace);
        QTRY_VERIFY(workspace->frontmostApplication());

        const QList<RunningApplication> running = workspace->runningApplications();
        QStringList keys;
        for (const RunningApplication& a : running) {
            keys << a.key;
        }
        QCOMPARE(keys,
                 (QStringList{QStringLiteral("pid:42:foot"), QStringLiteral("pid:43:foot"),
                              QStringLiteral("pid:50:gedit"), QStringLiteral("class:quorel")}));
        QVERIFY(running.last().isThisProgram);
        QCOMPARE(running.last().name, QStringLiteral("Quorel"));
        QVERIFY(!running.first().isThisProgram);

        QStringList reported;
        workspace->setActivationHandler(
            [&reported](const RunningApplication& a) { reported << a.key; });
        // A raise within the application that the shell told before it heard of the hide is no
        // coming back; the application in front again once hidden is.
        sendFocus(window(11, QStringLiteral("foot"), 42));
        workspace->hide(running.first());
        // Every window of the application, its utility window too.
        QTRY_COMPARE(m_fake->minimized(), (QList<qulonglong>{10, 11, 12}));
        QCOMPARE(reported, QStringList());
        sendFocus(window(10, QStringLiteral("foot"), 42));
        QTRY_COMPARE(reported, QStringList{QStringLiteral("pid:42:foot")});
        workspace->hide(RunningApplication{});  // no key: nothing asked
        QTest::qWait(50);
        QCOMPARE(m_fake->minimized().size(), 3);
    }

    void anOlderExtensionIsStillHeard() {
        auto* older = new OlderExtension;  // answers on the fake's thread, which deletes it
        older->moveToThread(&m_fakeThread);
        connect(&m_fakeThread, &QThread::finished, older, &QObject::deleteLater);
        QVERIFY(m_fakeBus->registerService(QStringLiteral("org.gnome.Shell")));
        QVERIFY(m_fakeBus->registerObject(extensionPath, older, QDBusConnection::ExportAllSlots));
        QVERIFY(m_fakeBus->registerService(extensionService));
        auto workspace = GnomeShellWorkspace::create(*m_entries, *m_bus, m_home.path());
        QVERIFY(workspace);
        QTRY_COMPARE(workspace->frontmostApplicationName(), QStringLiteral("Foot"));
        QVERIFY(workspace->limitation().isEmpty());
        m_fakeBus->unregisterObject(extensionPath);
    }

    void subscribesAgainWhenTheExtensionComesBack() {
        m_fake->setWindows({}, window(1, QStringLiteral("foot"), 42));
        publishFake();
        auto workspace = GnomeShellWorkspace::create(*m_entries, *m_bus, m_home.path());
        QVERIFY(workspace);
        QTRY_COMPARE(m_fake->subscribers(), QStringList{m_bus->baseService()});
        // The answer to the subscription, not only the call, has arrived.
        QTRY_VERIFY(workspace->frontmostApplication());
        QStringList reported;
        workspace->setActivationHandler(
            [&reported](const RunningApplication& a) { reported << a.key; });
        int restored = 0;
        workspace->setChannelRestoredHandler([&restored] { ++restored; });

        QVERIFY(m_fakeBus->unregisterService(extensionService));
        QTRY_VERIFY(!workspace->frontmostApplication());
        QTRY_VERIFY(!workspace->limitation().isEmpty());
        m_fake->forgetSubscribers();
        m_fake->setWindows({}, window(3, QStringLiteral("gedit"), 50));
        QVERIFY(m_fakeBus->registerService(extensionService));
        QTRY_COMPARE(m_fake->subscribers(), QStringList{m_bus->baseService()});
        QTRY_COMPARE(reported, QStringList{QStringLiteral("pid:50:gedit")});
        QCOMPARE(restored, 1);  // and what came up meanwhile is swept

        // Signals addressed to it reach it as before.
        sendFocus(window(4, QStringLiteral("foot"), 42));
        QTRY_COMPARE(reported,
                     (QStringList{QStringLiteral("pid:50:gedit"), QStringLiteral("pid:42:foot")}));
        QCOMPARE(m_fake->subscribers().size(), 1);
    }

    // A shell too busy for the bounded wait: its list comes later, and the sweep runs again.
    void aSlowListIsSweptWhenItArrives() {
        m_fake->setWindows({window(14, QStringLiteral("gedit"), 50)},
                           window(14, QStringLiteral("gedit"), 50));
        publishFake();
        auto workspace = GnomeShellWorkspace::create(*m_entries, *m_bus, m_home.path());
        QVERIFY(workspace);
        QTRY_VERIFY(workspace->frontmostApplication());
        QStringList swept;
        workspace->setChannelRestoredHandler([&swept, &workspace] {
            for (const RunningApplication& a : workspace->runningApplications()) {
                swept << a.key;
            }
        });
        m_fake->windowsDelayMs = 150;
        QVERIFY(workspace->runningApplications().isEmpty());
        QTRY_COMPARE(swept, QStringList{QStringLiteral("pid:50:gedit")});
        m_fake->windowsDelayMs = 0;
    }

    void readsOnlyWellFormedWindows_data() {
        QTest::addColumn<QVariantMap>("map");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<qint64>("pid");
        QTest::newRow("empty") << QVariantMap{} << false << qint64{0};
        QTest::newRow("id as text")
            << QVariantMap{{QStringLiteral("id"), QStringLiteral("1")}} << false << qint64{0};
        QTest::newRow("id zero") << window(0, QStringLiteral("foot"), 4) << false << qint64{0};
        QVariantMap negative = window(5, QStringLiteral("foot"), -7);
        QTest::newRow("negative pid") << negative << true << qint64{0};
        QVariantMap wrongTypes = window(6, QStringLiteral("foot"), 8);
        wrongTypes[QStringLiteral("pid")] = QStringLiteral("8");
        wrongTypes[QStringLiteral("wmClass")] = 3;
        QTest::newRow("fields of other types") << wrongTypes << true << qint64{0};
    }

    void readsOnlyWellFormedWindows() {
        QFETCH(QVariantMap, map);
        QFETCH(bool, valid);
        QFETCH(qint64, pid);
        const std::optional<ShellWindow> w = shellWindowFromMap(map);
        QCOMPARE(w.has_value(), valid);
        if (w) {
            QCOMPARE(w->pid, pid);
        }
    }

private:
    void publishFake() {
        QVERIFY(m_fakeBus->registerService(QStringLiteral("org.gnome.Shell")));
        QVERIFY(m_fakeBus->registerObject(extensionPath, m_fake.get(),
                                          QDBusConnection::ExportAllSlots));
        QVERIFY(m_fakeBus->registerService(extensionService));
    }

    // To each subscriber alone, as the extension does.
    void send(const QString& name, const QVariant& argument) {
        const QStringList subscribers = m_fake->subscribers();
        QVERIFY(!subscribers.isEmpty());
        for (const QString& subscriber : subscribers) {
            QDBusMessage signal = QDBusMessage::createTargetedSignal(subscriber, extensionPath,
                                                                     extensionService, name);
            signal << argument;
            QVERIFY(m_fakeBus->send(signal));
        }
    }
    void sendFocus(const QVariantMap& w) { send(QStringLiteral("FocusChanged"), w); }

    QProcess m_daemon;
    QString m_address;
    QTemporaryDir m_apps;
    QTemporaryDir m_home;
    std::unique_ptr<DesktopEntries> m_entries;
    QThread m_fakeThread;
    std::unique_ptr<QDBusConnection> m_fakeBus;
    std::unique_ptr<QDBusConnection> m_bus;
    std::unique_ptr<FakeExtension> m_fake;
};

QTEST_GUILESS_MAIN(TestGnomeShellWorkspace)
#include "tst_gnomeshellworkspace.moc"
