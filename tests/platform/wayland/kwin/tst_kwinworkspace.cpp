// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Against a real headless KWin, started for this test by in-kwin.sh, with a plain Qt
// window as the native Wayland application (foot dies of a division by zero on KWin's virtual
// output).

#include "../DBusMembers.h"
#include "Fakes.h"
#include "wayland/kwin/KWinWorkspace.h"
#include "wayland/kwin/KWinWorkspaceInterface.h"
#include "xdg/DesktopEntries.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <algorithm>

using namespace Quorel;

namespace {

const QString windowName = QStringLiteral("Test Window");
const QString appId = QStringLiteral("app.quorel.TestWindow");

// A window that stays open until the test closes it.
std::unique_ptr<QProcess> startTestWindow() {
    auto window = std::make_unique<QProcess>();
    window->setProcessChannelMode(QProcess::ForwardedChannels);
    window->start(QStringLiteral(QUOREL_TEST_WINDOW), {appId});
    return window;
}

void stop(QProcess& process) {
    process.kill();
    process.waitForFinished(5000);
}

bool isTestWindow(const std::optional<RunningApplication>& application, const QProcess& window) {
    return application && application->name == windowName &&
           application->key.startsWith(u"pid:" + QString::number(window.processId()) + u':');
}

}  // namespace

class TestKWinWorkspace : public QObject {
    Q_OBJECT

    std::unique_ptr<DesktopEntries> m_entries;

private slots:
    // The window's app id is the id of a desktop entry that names it.
    void initTestCase() {
        QVERIFY(qEnvironmentVariableIsSet("WAYLAND_DISPLAY"));
        const QString folder = qEnvironmentVariable("XDG_DATA_HOME") + u"/applications";
        QVERIFY(QDir().mkpath(folder));
        QFile entry(folder + u'/' + appId + u".desktop");
        QVERIFY(entry.open(QIODevice::WriteOnly));
        entry.write("[Desktop Entry]\nType=Application\nName=Test Window\nExec=true\n");
        entry.close();
        m_entries = std::make_unique<DesktopEntries>();
    }

    // KWin numbers scripts by how many are loaded: after another script is unloaded, ours may
    // get the number of one still running. Hiding must work all the same.
    void hidesAfterOtherScriptsCameAndWentAndOutlivesItsOwnUnloading() {
        std::unique_ptr<Workspace> workspace = KWinWorkspace::create(*m_entries);
        QVERIFY(workspace);
        QFile idle(qEnvironmentVariable("XDG_RUNTIME_DIR") + u"/idle.js");
        QVERIFY(idle.open(QIODevice::WriteOnly));
        idle.write("var idle = true;\n");
        idle.close();
        auto scripting = [](const QString& method, const QVariantList& arguments) {
            QDBusMessage message = QDBusMessage::createMethodCall(
                QStringLiteral("org.kde.KWin"), QStringLiteral("/Scripting"),
                QStringLiteral("org.kde.kwin.Scripting"), method);
            message.setArguments(arguments);
            return QDBusConnection::sessionBus().call(message, QDBus::Block, 3000);
        };
        for (const QString& name : {QStringLiteral("idle-a"), QStringLiteral("idle-b")}) {
            scripting(QStringLiteral("loadScript"), {idle.fileName(), name});
        }
        scripting(QStringLiteral("start"), {});
        scripting(QStringLiteral("unloadScript"), {QStringLiteral("idle-a")});

        const std::unique_ptr<QProcess> window = startTestWindow();
        QTRY_VERIFY_WITH_TIMEOUT(isTestWindow(workspace->frontmostApplication(), *window), 15000);
        workspace->hide(*workspace->frontmostApplication());
        QTRY_VERIFY_WITH_TIMEOUT(!workspace->frontmostApplication(), 4000);
        scripting(QStringLiteral("unloadScript"), {QStringLiteral("idle-b")});

        // Our own script unloaded by someone: said at once it is noticed, loaded again, and
        // what came up meanwhile is swept.
        int restored = 0;
        workspace->setChannelRestoredHandler([&restored] { ++restored; });
        QVERIFY(workspace->limitation().isEmpty());
        scripting(QStringLiteral("unloadScript"), {QStringLiteral("quorel-workspace")});
        QTRY_VERIFY_WITH_TIMEOUT(!workspace->limitation().isEmpty(), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(workspace->limitation().isEmpty(), 10000);
        QCOMPARE(restored, 1);
        QVERIFY(scriptLoaded());
        stop(*window);
    }

    // What the adapter serves is what its interface file says, and the scripts call nothing else.
    void servesWhatItsScriptsCall() {
        std::unique_ptr<Workspace> workspace = KWinWorkspace::create(*m_entries);
        QVERIFY(workspace);
        QDBusConnection bus = QDBusConnection::sessionBus();
        const QDBusMessage reply = bus.call(QDBusMessage::createMethodCall(
            bus.baseService(), kwinWorkspacePath,
            QStringLiteral("org.freedesktop.DBus.Introspectable"), QStringLiteral("Introspect")));
        const QStringList promised =
            dbusMembers(QString::fromUtf8(kwinWorkspaceInterfaceXml), kwinWorkspaceInterface);
        QCOMPARE(promised.size(), 10);
        QCOMPARE(dbusMembers(reply.arguments().value(0).toString(), kwinWorkspaceInterface),
                 promised);

        const QRegularExpression call(
            QStringLiteral(R"re(callDBus\([^,]+,[^,]+,[^,]+,\s*"(\w+)")re"));
        int calls = 0;
        for (const QString& script :
             {QStringLiteral(":/kwin/workspace.js"), QStringLiteral(":/kwin/hide.js")}) {
            QFile file(script);
            QVERIFY(file.open(QIODevice::ReadOnly));
            for (const QRegularExpressionMatch& match :
                 call.globalMatch(QString::fromUtf8(file.readAll()))) {
                QVERIFY2(promised.contains(u"method " + match.captured(1)),
                         qPrintable(match.captured(1)));
                ++calls;
            }
        }
        QCOMPARE(calls, 4);
    }

    void engineCreditsTheFrontAndHidesItWhenBlockedInFocus() {
        FakeDesktop desktop;
        std::unique_ptr<Workspace> workspace = KWinWorkspace::create(*m_entries);
        QVERIFY(workspace);
        Platform platform = desktop.platform();
        Platform real{*workspace,      platform.preferences, platform.clock,
                      platform.sound,  platform.browser,     platform.ambient,
                      platform.shield, platform.chooser,     platform.presence};
        FocusManager manager(real);

        const std::unique_ptr<QProcess> first = startTestWindow();
        QTRY_VERIFY_WITH_TIMEOUT(isTestWindow(workspace->frontmostApplication(), *first), 15000);
        manager.tick();
        manager.tick();
        QCOMPARE(manager.trackedAppSeconds().value(windowName), 2);

        manager.setBlockedApps({BlockedApp{QUuid::createUuid(), windowName, true, std::nullopt}});
        manager.setStrictMode(false);
        manager.toggleStartPause();
        // The sweep at the start of focus hides the one already open.
        QTRY_VERIFY_WITH_TIMEOUT(!workspace->frontmostApplication(), 10000);

        // Opened during focus: hidden as it comes to the front, with the shield.
        desktop.shield.shown.clear();
        const std::unique_ptr<QProcess> second = startTestWindow();
        // Shown once, or once more by the guard when the hide is slow (a sanitizer build).
        QTRY_VERIFY_WITH_TIMEOUT(!desktop.shield.shown.isEmpty(), 15000);
        QCOMPARE(desktop.shield.shown.count(windowName), desktop.shield.shown.size());
        QTRY_VERIFY_WITH_TIMEOUT(!isTestWindow(workspace->frontmostApplication(), *second), 10000);
        QCOMPARE(second->state(), QProcess::Running);
        stop(*first);
        stop(*second);
    }

    // Prints the delay from an activation reaching Quorel to KWin reporting the window gone
    // from the front, median of QUOREL_KWIN_MEASURE runs; measures only when that is set.
    void measureActivationToHidden() {
        const int runs = qEnvironmentVariableIntValue("QUOREL_KWIN_MEASURE");
        if (runs <= 0) {
            QSKIP("set QUOREL_KWIN_MEASURE=20 to measure");
        }
        std::unique_ptr<Workspace> workspace = KWinWorkspace::create(*m_entries);
        QVERIFY(workspace);
        QElapsedTimer clock;
        workspace->setActivationHandler([&](const RunningApplication& a) {
            if (a.name == windowName) {
                clock.start();
                workspace->hide(a);
            }
        });
        std::vector<qint64> delays;
        for (int i = 0; i < runs; ++i) {
            clock.invalidate();
            const std::unique_ptr<QProcess> window = startTestWindow();
            QTRY_VERIFY_WITH_TIMEOUT(clock.isValid(), 15000);
            QTRY_VERIFY_WITH_TIMEOUT(!isTestWindow(workspace->frontmostApplication(), *window),
                                     10000);
            delays.push_back(clock.nsecsElapsed() / 1000);
            stop(*window);
        }
        std::sort(delays.begin(), delays.end());
        qInfo("activation to hidden: median %lld us of %d (min %lld, max %lld)",
              static_cast<long long>(delays[delays.size() / 2]), runs,
              static_cast<long long>(delays.front()), static_cast<long long>(delays.back()));
    }

    // Last, as it replaces the session's KWin: a KWin that ends and comes back (a crash, an
    // upgrade) gets the script again and the app sweeps; meanwhile blocking says it is off.
    void followsKWinWhenItIsRestarted() {
        const qint64 kwinPid = qEnvironmentVariableIntValue("QUOREL_KWIN_PID");
        QVERIFY(kwinPid > 0);
        std::unique_ptr<Workspace> workspace = KWinWorkspace::create(*m_entries);
        QVERIFY(workspace);
        int restored = 0;
        workspace->setChannelRestoredHandler([&restored] { ++restored; });
        QTRY_VERIFY_WITH_TIMEOUT(scriptLoaded(), 10000);

        QProcess::execute(QStringLiteral("kill"), {QString::number(kwinPid)});
        QTRY_VERIFY_WITH_TIMEOUT(!workspace->limitation().isEmpty(), 10000);

        QProcess kwin;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("KWIN_COMPOSE"), QStringLiteral("Q"));
        kwin.setProcessEnvironment(environment);
        kwin.setStandardOutputFile(QProcess::nullDevice());
        kwin.setStandardErrorFile(QProcess::nullDevice());
        kwin.start(qEnvironmentVariable("QUOREL_KWIN_BINARY"),
                   {QStringLiteral("--virtual"), QStringLiteral("--no-lockscreen"),
                    QStringLiteral("--socket"), QStringLiteral("quorel-kwin-again")});
        QTRY_VERIFY_WITH_TIMEOUT(workspace->limitation().isEmpty(), 30000);
        QCOMPARE(restored, 1);
        QVERIFY(scriptLoaded());
        kwin.terminate();
        kwin.waitForFinished(10000);
    }

private:
    static bool scriptLoaded() {
        QDBusMessage message = QDBusMessage::createMethodCall(
            QStringLiteral("org.kde.KWin"), QStringLiteral("/Scripting"),
            QStringLiteral("org.kde.kwin.Scripting"), QStringLiteral("isScriptLoaded"));
        message << QStringLiteral("quorel-workspace");
        return QDBusReply<bool>(QDBusConnection::sessionBus().call(message, QDBus::Block, 3000))
            .value();
    }
};

QTEST_GUILESS_MAIN(TestKWinWorkspace)
#include "tst_kwinworkspace.moc"
