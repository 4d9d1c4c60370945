// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ControlPanelPresenter.h"
#include "Fakes.h"

#include <QSignalSpy>
#include <QTest>

#include <functional>

using namespace Quorel;

using Setup = std::function<void(FocusManager&)>;
Q_DECLARE_METATYPE(Setup)

namespace {

void strictOff(FocusManager& m) {
    m.setStrictMode(false);
}

void runStrict(FocusManager& m) {
    m.setStrictMode(true);
    m.toggleStartPause();
}

void runRelaxed(FocusManager& m) {
    m.setStrictMode(false);
    m.toggleStartPause();
}

}  // namespace

class TestControlPanelPresenter : public QObject {
    Q_OBJECT

private slots:
    void sessionTexts_data() {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("subtitle");
        QTest::addColumn<QString>("primary");
        QTest::addColumn<bool>("locked");
        QTest::addColumn<QString>("caption");

        QTest::newRow("idle") << Setup(strictOff) << "Quorel Ready"
                              << "Tray Companion"
                              << "Start Focus" << false << "FOCUS";
        QTest::newRow("idle with strict mode on locks nothing")
            << Setup([](FocusManager& m) { m.setStrictMode(true); }) << "Quorel Ready"
            << "Tray Companion"
            << "Start Focus" << false << "FOCUS";
        QTest::newRow("running") << Setup(runRelaxed) << "Deep Work Active"
                                 << "Tray Companion"
                                 << "Pause" << false << "FOCUS";
        QTest::newRow("strict running") << Setup(runStrict) << "Deep Work Active"
                                        << "Strict Mode Locked"
                                        << "Locked" << true << "FOCUS";
        QTest::newRow("strict break") << Setup([](FocusManager& m) {
            runStrict(m);
            m.setIsBreak(true);
        }) << "Break Time"
                                      << "Strict Mode Locked"
                                      << "Locked" << true << "BREAK";
        QTest::newRow("relaxed break") << Setup([](FocusManager& m) {
            runRelaxed(m);
            m.setIsBreak(true);
        }) << "Break Time"
                                       << "Tray Companion"
                                       << "Pause" << false << "BREAK";
        QTest::newRow("study running") << Setup([](FocusManager& m) {
            m.setSelectedPreset(FocusPreset::Study);
            runRelaxed(m);
        }) << "Study Active"
                                       << "Tray Companion"
                                       << "Pause" << false << "FOCUS";
        QTest::newRow("wind down strict") << Setup([](FocusManager& m) {
            m.setSelectedPreset(FocusPreset::WindDown);
            runStrict(m);
        }) << "Wind Down Active"
                                          << "Strict Mode Locked"
                                          << "Locked" << true << "FOCUS";
    }

    void sessionTexts() {
        QFETCH(Setup, setup);
        FakeDesktop desktop;
        auto manager = desktop.makeManager();
        setup(*manager);
        ControlPanelPresenter panel;
        panel.setManager(manager.get());

        QTEST(panel.headerTitle(), "title");
        QTEST(panel.headerSubtitle(), "subtitle");
        QTEST(panel.primaryActionTitle(), "primary");
        QTEST(panel.locked(), "locked");
        QTEST(panel.phaseCaption(), "caption");
    }

    void usageBlock_data() {
        QTest::addColumn<ScreenTimeTrackingMode>("mode");
        QTest::addColumn<qint64>("allSeconds");
        QTest::addColumn<qint64>("blockedSeconds");
        QTest::addColumn<double>("goal");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("figures");
        QTest::addColumn<double>("fraction");

        const auto all = ScreenTimeTrackingMode::AllApps;
        const auto blocked = ScreenTimeTrackingMode::BlockedAppsOnly;
        QTest::newRow("nothing yet") << all << 0LL << 0LL << 4.0 << "All Apps Usage Time"
                                     << "0.0h / 4.0h" << 0.0;
        QTest::newRow("part of the goal") << all << 4680LL << 0LL << 4.0 << "All Apps Usage Time"
                                          << "1.3h / 4.0h" << 0.325;
        QTest::newRow("above the goal stops full")
            << all << 18720LL << 0LL << 4.0 << "All Apps Usage Time"
            << "5.2h / 4.0h" << 1.0;
        QTest::newRow("blocked apps only counts the blocked map")
            << blocked << 18720LL << 3600LL << 4.0 << "Blocked App Usage Time"
            << "1.0h / 4.0h" << 0.25;
        QTest::newRow("no goal leaves the bar empty")
            << all << 3600LL << 0LL << 0.0 << "All Apps Usage Time"
            << "1.0h / 0.0h" << 0.0;
    }

    void usageBlock() {
        QFETCH(ScreenTimeTrackingMode, mode);
        QFETCH(qint64, allSeconds);
        QFETCH(qint64, blockedSeconds);
        QFETCH(double, goal);
        FakeDesktop desktop;
        auto manager = desktop.makeManager();
        manager->setScreenTimeMode(mode);
        manager->setDailyGoalHours(goal);
        manager->setTrackedAppSeconds({{QStringLiteral("XTerm"), allSeconds}});
        manager->setTrackedBlockedAppSeconds({{QStringLiteral("Discord"), blockedSeconds}});
        ControlPanelPresenter panel;
        panel.setManager(manager.get());

        QTEST(panel.usageTitle(), "title");
        QTEST(panel.usageFigures(), "figures");
        QTEST(panel.usageFraction(), "fraction");
    }

    // A view binds to the presenter's signals; one the presenter does not forward leaves the
    // view showing the old state.
    void followsTheManager_data() {
        QTest::addColumn<Setup>("change");
        QTest::addColumn<QByteArray>("signal");

        QTest::newRow("start") << Setup([](FocusManager& m) { m.toggleStartPause(); })
                               << QByteArray(SIGNAL(sessionChanged()));
        QTest::newRow("strict mode") << Setup(strictOff) << QByteArray(SIGNAL(sessionChanged()));
        QTest::newRow("break") << Setup([](FocusManager& m) { m.setIsBreak(true); })
                               << QByteArray(SIGNAL(sessionChanged()));
        QTest::newRow("preset") << Setup([](FocusManager& m) {
            m.setSelectedPreset(FocusPreset::Study);
        }) << QByteArray(SIGNAL(sessionChanged()));
        QTest::newRow("a second passes") << Setup([](FocusManager& m) {
            m.setIsRunning(true);
            m.tickFocusTimer();
        }) << QByteArray(SIGNAL(countdownChanged()));
        QTest::newRow("goal") << Setup([](FocusManager& m) { m.setDailyGoalHours(6); })
                              << QByteArray(SIGNAL(usageChanged()));
        QTest::newRow("tracking mode") << Setup([](FocusManager& m) {
            m.setScreenTimeMode(ScreenTimeTrackingMode::BlockedAppsOnly);
        }) << QByteArray(SIGNAL(usageChanged()));
        QTest::newRow("usage") << Setup([](FocusManager& m) {
            m.setTrackedAppSeconds({{QStringLiteral("XTerm"), 60}});
        }) << QByteArray(SIGNAL(usageChanged()));
    }

    void followsTheManager() {
        QFETCH(Setup, change);
        QFETCH(QByteArray, signal);
        FakeDesktop desktop;
        auto manager = desktop.makeManager();
        ControlPanelPresenter panel;
        panel.setManager(manager.get());
        QSignalSpy spy(&panel, signal.constData());

        change(*manager);

        QVERIFY(!spy.isEmpty());
    }

    void forgetsAManagerThatIsGone() {
        ControlPanelPresenter panel;
        {
            FakeDesktop desktop;
            auto manager = desktop.makeManager();
            panel.setManager(manager.get());
        }
        QCOMPARE(panel.manager(), nullptr);
        QVERIFY(panel.headerTitle().isEmpty());
        QVERIFY(!panel.locked());
    }
};

QTEST_GUILESS_MAIN(TestControlPanelPresenter)
#include "tst_controlpanelpresenter.moc"
