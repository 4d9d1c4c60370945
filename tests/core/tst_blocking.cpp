// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "Fakes.h"

#include <QSignalSpy>
#include <QTest>

using namespace Quorel;

namespace {

enum class Focus { Idle, Running, Break, Paused };

BlockedApp entry(const QString& name, std::optional<qint64> limit = std::nullopt,
                 bool enabled = true) {
    return BlockedApp{QUuid::createUuid(), name, enabled, limit};
}

void enter(FocusManager& m, Focus focus) {
    m.setStrictMode(false);
    if (focus == Focus::Idle) {
        return;
    }
    m.toggleStartPause();
    if (focus == Focus::Break) {
        m.setIsBreak(true);
    } else if (focus == Focus::Paused) {
        m.toggleStartPause();
    }
}

}  // namespace

Q_DECLARE_METATYPE(Focus)

class TestBlocking : public QObject {
    Q_OBJECT

private slots:
    void decision_data() {
        QTest::addColumn<Focus>("focus");
        QTest::addColumn<BlockedApp>("rule");
        QTest::addColumn<QString>("app");
        QTest::addColumn<qint64>("usedSeconds");
        QTest::addColumn<bool>("blocked");

        const BlockedApp code = entry(QStringLiteral("Code"));
        const BlockedApp slack30 = entry(QStringLiteral("Slack"), 30);
        const QString studio = QStringLiteral("Pro Code Studio");
        const QString slack = QStringLiteral("Slack");
        QTest::newRow("focus, contained name") << Focus::Running << code << studio << 0LL << true;
        QTest::newRow("focus, disabled")
            << Focus::Running << entry(QStringLiteral("Code"), {}, false) << studio << 0LL << false;
        QTest::newRow("focus, other app") << Focus::Running << code << slack << 0LL << false;
        QTest::newRow("focus, empty entry")
            << Focus::Running << entry(QString()) << slack << 0LL << false;
        QTest::newRow("idle, no allowance") << Focus::Idle << code << studio << 0LL << false;
        QTest::newRow("idle, allowance used up")
            << Focus::Idle << slack30 << slack << 1800LL << true;
        QTest::newRow("idle, a second left") << Focus::Idle << slack30 << slack << 1799LL << false;
        QTest::newRow("idle, allowance 0")
            << Focus::Idle << entry(slack, 0) << slack << 0LL << true;
        QTest::newRow("focus, allowance left") << Focus::Running << slack30 << slack << 0LL << true;
        QTest::newRow("break, no allowance") << Focus::Break << code << studio << 0LL << false;
        QTest::newRow("break, used up") << Focus::Break << slack30 << slack << 1800LL << true;
        QTest::newRow("paused, no allowance") << Focus::Paused << code << studio << 0LL << false;
        QTest::newRow("absurd allowance")
            << Focus::Idle << entry(slack, qint64(1) << 62) << slack << (qint64(1) << 40) << false;
    }
    void decision() {
        QFETCH(Focus, focus);
        QFETCH(BlockedApp, rule);
        QFETCH(QString, app);
        QFETCH(qint64, usedSeconds);
        QFETCH(bool, blocked);
        FakeDesktop desktop;
        auto m = desktop.makeManager();
        m->setBlockedApps({rule});
        // The allowance is shared by every tracked name containing the entry's.
        m->setTrackedAppSeconds({{QStringLiteral("Slack"), usedSeconds - usedSeconds / 18},
                                 {QStringLiteral("Slack Beta"), usedSeconds / 18}});
        enter(*m, focus);
        QCOMPARE(m->shouldBlockApp(app), blocked);
    }

    void watcherHidesTwiceAndRaisesTheShield() {
        FakeDesktop desktop;
        auto m = desktop.makeManager();
        m->setBlockedApps({entry(QStringLiteral("Code"))});
        enter(*m, Focus::Running);
        desktop.workspace.hidden.clear();

        desktop.workspace.activate(app(QStringLiteral("Pro Code Studio")));
        QCOMPARE(desktop.workspace.hidden, QStringList{QStringLiteral("Pro Code Studio")});
        QCOMPARE(desktop.shield.shown, QStringList{QStringLiteral("Pro Code Studio")});
        QTRY_COMPARE(desktop.workspace.hidden.size(), 2);

        RunningApplication self = app(QStringLiteral("Quorel Code"));
        self.isThisProgram = true;
        desktop.workspace.activate(self);
        desktop.workspace.activate(app(QStringLiteral("Terminal")));
        m->guardTick();  // this program is in front: the guard leaves it too
        desktop.workspace.frontmost = self.name;
        desktop.workspace.running = {self};
        m->guardTick();
        QTest::qWait(2 * FocusManager::secondHideDelayMs);
        QCOMPARE(desktop.workspace.hidden.size(), 2);
        QCOMPARE(desktop.shield.shown.size(), 1);
    }

    // A menu entry renamed "Notes" still runs XTerm: every path judges every name it has.
    void aRenamedApplicationIsBlockedByAnyOfItsNames() {
        FakeDesktop desktop;
        RunningApplication notes = app(QStringLiteral("Notes"));
        notes.otherNames = {QStringLiteral("Terminal X"), QStringLiteral("XTerm")};
        desktop.workspace.running = {notes};
        auto m = desktop.makeManager();
        m->setBlockedApps({entry(QStringLiteral("xterm"))});
        enter(*m, Focus::Running);
        QCOMPARE(desktop.workspace.hidden, QStringList{QStringLiteral("Notes")});  // the sweep

        desktop.workspace.activate(notes);
        QCOMPARE(desktop.workspace.hidden.size(), 2);
        QCOMPARE(desktop.shield.shown, QStringList{QStringLiteral("Notes")});
        m->guardTick();
        QCOMPARE(desktop.workspace.hidden.size(), 3);

        // Other names match whole: a program file that starts like a listed name is not it.
        m->setBlockedApps({entry(QStringLiteral("Term"))});
        QVERIFY(!m->shouldBlockApp(notes));
    }

    // The desktop channel came back: what opened meanwhile is swept, as at the start of focus.
    void aRestoredChannelIsSweptDuringFocus() {
        FakeDesktop desktop;
        desktop.workspace.running = {app(QStringLiteral("Slack")), app(QStringLiteral("Notes"))};
        auto m = desktop.makeManager();
        m->setBlockedApps({entry(QStringLiteral("Slack"))});
        desktop.workspace.onRestored();
        QVERIFY(desktop.workspace.hidden.isEmpty());  // not focusing
        enter(*m, Focus::Running);
        desktop.workspace.hidden.clear();
        desktop.workspace.onRestored();
        QCOMPARE(desktop.workspace.hidden, QStringList{QStringLiteral("Slack")});
        m->setIsBreak(true);
        desktop.workspace.onRestored();
        QCOMPARE(desktop.workspace.hidden.size(), 1);
    }

    // Shown without coming to the front: hidden once during focus, without the shield or the
    // second hide; outside focus, not even when its allowance is used up.
    void aShownWindowIsHiddenOnlyDuringFocus_data() {
        QTest::addColumn<Focus>("focus");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("thisProgram");
        QTest::addColumn<bool>("hidden");

        const QString studio = QStringLiteral("Pro Code Studio");
        QTest::newRow("focus, blocked") << Focus::Running << studio << false << true;
        QTest::newRow("focus, not listed")
            << Focus::Running << QStringLiteral("Terminal") << false << false;
        QTest::newRow("focus, this program") << Focus::Running << studio << true << false;
        QTest::newRow("break") << Focus::Break << studio << false << false;
        QTest::newRow("paused") << Focus::Paused << studio << false << false;
        QTest::newRow("idle, allowance used up")
            << Focus::Idle << QStringLiteral("Slack") << false << false;
    }
    void aShownWindowIsHiddenOnlyDuringFocus() {
        QFETCH(Focus, focus);
        QFETCH(QString, name);
        QFETCH(bool, thisProgram);
        QFETCH(bool, hidden);
        FakeDesktop desktop;
        auto m = desktop.makeManager();
        m->setBlockedApps({entry(QStringLiteral("Code")), entry(QStringLiteral("Slack"), 0)});
        enter(*m, focus);
        desktop.workspace.hidden.clear();

        RunningApplication shown = app(name);
        shown.isThisProgram = thisProgram;
        desktop.workspace.onShown(shown);
        QTest::qWait(2 * FocusManager::secondHideDelayMs);
        QCOMPARE(desktop.workspace.hidden, hidden ? QStringList{name} : QStringList{});
        QVERIFY(desktop.shield.shown.isEmpty());
    }

    void guardHidesWhatStaysInFront() {
        FakeDesktop desktop;
        auto m = desktop.makeManager();
        m->setBlockedApps({entry(QStringLiteral("Discord"))});
        desktop.workspace.frontmost = QStringLiteral("Discord");
        m->guardTick();
        QVERIFY(desktop.workspace.hidden.isEmpty());  // not focusing, no allowance
        QVERIFY(!m->isGuarding());
        enter(*m, Focus::Running);  // looked at once, and beats while Discord stays in front
        QCOMPARE(desktop.workspace.hidden.size(), 1);
        QCOMPARE(desktop.shield.shown.size(), 1);
        QVERIFY(m->isGuarding());

        // Still in front: the window manager refused. Asked again now and then, not every beat.
        for (int beat = 1; beat < FocusManager::refusedHideRetryBeats; ++beat) {
            m->guardTick();
        }
        QCOMPARE(desktop.workspace.hidden.size(), 1);
        QCOMPARE(desktop.shield.shown.size(), 1);
        m->guardTick();
        QCOMPARE(desktop.workspace.hidden.size(), 2);

        // Gone from the front: the guard rests. Back without news from the desktop: the
        // heartbeat's look hides it and the guard beats again.
        desktop.workspace.frontmost.reset();
        m->guardTick();
        QVERIFY(!m->isGuarding());
        desktop.workspace.frontmost = QStringLiteral("Discord");
        m->tick();
        QCOMPARE(desktop.workspace.hidden.size(), 3);
        QCOMPARE(desktop.shield.shown.size(), 3);
        QVERIFY(m->isGuarding());
        m->setIsBreak(true);
        QVERIFY(!m->isGuarding());
    }

    // The activation handler hides, and the guard watches until the application has gone.
    void anActivatedBlockedAppIsWatchedUntilItLeaves() {
        FakeDesktop desktop;
        auto m = desktop.makeManager();
        m->setBlockedApps({entry(QStringLiteral("Slack"))});
        enter(*m, Focus::Running);
        QVERIFY(!m->isGuarding());  // nothing blocked in front
        desktop.workspace.activate(app(QStringLiteral("Slack")));
        QCOMPARE(desktop.workspace.hidden.size(), 1);
        QVERIFY(m->isGuarding());
        desktop.workspace.frontmost = QStringLiteral("XTerm");
        m->guardTick();
        QVERIFY(!m->isGuarding());
        // An entry added for what is in front takes effect at once.
        m->setBlockedApps({entry(QStringLiteral("Slack")), entry(QStringLiteral("XTerm"))});
        QCOMPARE(desktop.workspace.hidden.size(), 2);
        QVERIFY(m->isGuarding());
    }

    // Outside focus the heartbeat enforces a spent allowance, in the second it runs out.
    void heartbeatHidesAnAppWhoseAllowanceRunsOut() {
        FakeDesktop desktop;
        auto m = desktop.makeManager();
        m->setBlockedApps({entry(QStringLiteral("Slack"), 1)});
        desktop.workspace.frontmost = QStringLiteral("Slack");
        for (int second = 1; second < 60; ++second) {
            m->tick();
        }
        QVERIFY(desktop.workspace.hidden.isEmpty());
        m->tick();
        QCOMPARE(desktop.workspace.hidden, QStringList{QStringLiteral("Slack")});
        QVERIFY(!m->isGuarding());
    }

    // The sweep hides every running blocked application, this program included.
    void startingFocusSweepsRunningApps() {
        FakeDesktop desktop;
        RunningApplication self = app(QStringLiteral("Quorel"));
        self.isThisProgram = true;
        desktop.workspace.running = {app(QStringLiteral("Slack")), app(QStringLiteral("XTerm")),
                                     self, RunningApplication{}};
        auto m = desktop.makeManager();
        m->setBlockedApps({entry(QStringLiteral("slack")), entry(QStringLiteral("Quorel"))});
        enter(*m, Focus::Running);
        QCOMPARE(desktop.workspace.hidden,
                 (QStringList{QStringLiteral("Slack"), QStringLiteral("Quorel")}));

        desktop.workspace.hidden.clear();
        m->resetTimer();
        desktop.clock.setTime(QTime(9, 0));
        m->setSchedules({FocusSchedule{QUuid::createUuid(), QStringLiteral("Now"),
                                       FocusPreset::Study, 9, 0, 10, 0, true}});
        m->checkSchedules();
        QVERIFY(m->isRunning());
        QCOMPARE(desktop.workspace.hidden.size(), 2);
    }

    void listOperations() {
        FakeDesktop desktop;
        auto m = desktop.makeManager();
        m->setBlockedApps({});
        m->addApp(QStringLiteral("  Slack \n"));
        m->addApp(QStringLiteral("slack"));
        m->addApp(QStringLiteral(" \t"));
        QCOMPARE(m->blockedApps().size(), 1);
        QCOMPARE(m->blockedApps().first().name, QStringLiteral("Slack"));
        QVERIFY(m->blockedApps().first().isEnabled);
        QVERIFY(!m->blockedApps().first().dailyLimitMinutes);

        desktop.chooser.chosen = {QStringLiteral("Slack"), QStringLiteral("Zoom"),
                                  QStringLiteral("Discord")};
        m->chooseAppFromApplications();
        QCOMPARE(m->blockedApps().at(0).name, QStringLiteral("Discord"));
        QCOMPARE(m->blockedApps().at(1).name, QStringLiteral("Zoom"));
        QCOMPARE(m->blockedApps().size(), 3);

        const QString zoom = uuidText(m->blockedApps().at(1).id);
        m->setAppDailyLimitWithId(zoom, 15);
        QCOMPARE(m->blockedApps().at(1).dailyLimitMinutes, std::optional<qint64>(15));
        m->setAppDailyLimitWithId(zoom, 0);
        QVERIFY(!m->blockedApps().at(1).dailyLimitMinutes);
        m->setAppEnabled(zoom, false);
        QVERIFY(!m->blockedApps().at(1).isEnabled);

        const int writes = desktop.preferences.writes;
        m->setAppDailyLimit(QUuid::createUuid(), 5);  // unknown: nothing, not even a save
        QCOMPARE(desktop.preferences.writes, writes);
        m->removeApp(QUuid::createUuid());  // unknown: the same document, not written again
        QCOMPARE(desktop.preferences.writes, writes);
        m->removeAppWithId(zoom);
        QCOMPARE(m->blockedApps().size(), 2);
        QVERIFY(desktop.preferences.writes > writes);
    }

    void editLockRefusesEveryListChange() {
        FakeDesktop desktop;
        auto m = desktop.makeManager();
        const QList<BlockedApp> before = m->blockedApps();
        const QString first = uuidText(before.first().id);
        m->toggleStartPause();  // strict by default
        QVERIFY(m->isLocked());
        const int writes = desktop.preferences.writes;
        desktop.chooser.chosen = {QStringLiteral("Zoom")};
        m->addApp(QStringLiteral("Zoom"));
        m->chooseAppFromApplications();
        m->removeAppWithId(first);
        m->setAppDailyLimitWithId(first, 30);
        m->setAppEnabled(first, false);
        QCOMPARE(m->blockedApps(), before);
        QCOMPARE(desktop.preferences.writes, writes);
        QCOMPARE(desktop.chooser.opened, 0);
    }

    void nameLists() {
        FakeDesktop desktop;
        desktop.workspace.installed = {QStringLiteral("zoom"),    QStringLiteral("Quorel"),
                                       QStringLiteral("Firefox"), QStringLiteral("Zoom"),
                                       QStringLiteral("Firefox"), QStringLiteral("discord")};
        RunningApplication self = app(QStringLiteral("Quorel"));
        self.isThisProgram = true;
        RunningApplication panel = app(QStringLiteral("Panel"));
        panel.isRegular = false;
        desktop.workspace.running = {
            app(QStringLiteral("xterm")), app(QStringLiteral("Slack")), self, panel,
            app(QStringLiteral("Slack")), RunningApplication{}};
        auto m = desktop.makeManager();
        QCOMPARE(m->installedAppNames(),
                 (QStringList{QStringLiteral("discord"), QStringLiteral("Firefox"),
                              QStringLiteral("zoom"), QStringLiteral("Zoom")}));
        QCOMPARE(m->runningRegularAppNames(),
                 (QStringList{QStringLiteral("Slack"), QStringLiteral("xterm")}));
    }
};

QTEST_GUILESS_MAIN(TestBlocking)
#include "tst_blocking.moc"
