// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "CountdownText.h"
#include "Fakes.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <functional>

using namespace Quorel;

using Ending = std::function<void(FakeDesktop&, FocusManager&)>;
Q_DECLARE_METATYPE(Ending)

class TestCountdown : public QObject {
    Q_OBJECT

    static void runTicks(FocusManager& m, int n) {
        for (int i = 0; i < n; ++i) {
            m.tickFocusTimer();
        }
    }

    // Heartbeats as the app runs them, each one second of the clock.
    static void runHeartbeats(FakeDesktop& desktop, FocusManager& m, int n) {
        for (int i = 0; i < n; ++i) {
            desktop.clock.advance(1);
            m.tick();
        }
    }

    static std::optional<RunningSession> savedSession(const FakeDesktop& desktop) {
        const std::optional<PersistedState> d = decodePersistedState(desktop.savedDocument());
        return d ? d->runningSession : std::nullopt;
    }

private slots:
    void focusRunsIntoBreakAndBreakEndsAtTwentyFiveMinutes() {
        FakeDesktop desktop;
        auto m = desktop.makeManager();
        QCOMPARE(m->remainingSeconds(), 2700);
        m->toggleStartPause();
        QVERIFY(m->isRunning());

        runTicks(*m, 2700);
        QCOMPARE(m->remainingSeconds(), 0);
        QCOMPARE(m->sessionsToday(), 0);  // reaching zero is not yet the end
        QCOMPARE(desktop.sound.plays, 0);

        m->tickFocusTimer();
        QCOMPARE(desktop.sound.plays, 1);
        QCOMPARE(m->sessionsToday(), 1);
        QCOMPARE(m->focusMinutesToday(), 45);
        QVERIFY(m->isRunning());
        QVERIFY(m->isBreak());
        QCOMPARE(m->totalSeconds(), 300);
        QCOMPARE(m->remainingSeconds(), 300);
        QCOMPARE(m->breakPromptIndex(), 1);
        QCOMPARE(m->currentBreakPrompt(), m->breakPrompts().at(1));

        runTicks(*m, 301);
        QCOMPARE(desktop.sound.plays, 2);
        QVERIFY(!m->isRunning());
        QVERIFY(!m->isBreak());
        QCOMPARE(m->totalSeconds(), 1500);
        QCOMPARE(m->remainingSeconds(), 1500);
        QCOMPARE(m->selectedPreset(), FocusPreset::DeepWork);
        QCOMPARE(m->sessionsToday(), 1);  // a break is not a session
    }

    void endWithoutAutoBreakStopsAtZeroAndCountsAgainOnRestart() {
        FakeDesktop desktop;
        auto m = desktop.makeManager();
        m->setAutoStartBreak(false);
        m->setStrictMode(false);
        m->toggleStartPause();
        runTicks(*m, 2701);
        QVERIFY(!m->isRunning());
        QCOMPARE(m->remainingSeconds(), 0);
        QCOMPARE(m->totalSeconds(), 2700);
        QCOMPARE(m->sessionsToday(), 1);

        m->toggleStartPause();
        m->tickFocusTimer();
        QCOMPARE(m->sessionsToday(), 2);
        QCOMPARE(m->focusMinutesToday(), 90);
    }

    void minutesCountedForShortCountdowns_data() {
        QTest::addColumn<qint64>("length");
        QTest::addColumn<qint64>("minutes");
        QTest::newRow("15 s counts one minute") << qint64(15) << qint64(1);
        QTest::newRow("119 s counts one minute") << qint64(119) << qint64(1);
        QTest::newRow("120 s counts two") << qint64(120) << qint64(2);
        QTest::newRow("0 s counts one") << qint64(0) << qint64(1);
    }
    void minutesCountedForShortCountdowns() {
        QFETCH(qint64, length);
        QFETCH(qint64, minutes);
        FakeDesktop desktop;
        auto m = desktop.makeManager();
        m->setTotalSeconds(length);
        m->setRemainingSeconds(length);
        m->toggleStartPause();
        runTicks(*m, int(length) + 1);
        QCOMPARE(m->focusMinutesToday(), minutes);
        QCOMPARE(m->sessionsToday(), 1);
    }

    void strictModeRefusesPauseAndResetWhileRunning() {
        FakeDesktop desktop;
        auto m = desktop.makeManager();
        QVERIFY(m->strictMode());
        m->toggleStartPause();
        runTicks(*m, 10);
        m->toggleStartPause();
        m->resetTimer();
        QVERIFY(m->isRunning());
        QVERIFY(m->isLocked());
        QCOMPARE(m->remainingSeconds(), 2690);

        // The lock holds through the break too.
        runTicks(*m, 2691);
        QVERIFY(m->isBreak());
        m->toggleStartPause();
        m->resetTimer();
        QVERIFY(m->isRunning());
        QVERIFY(m->isBreak());
    }

    void pauseResumesWhereItStoppedWithoutStrictMode() {
        FakeDesktop desktop;
        auto m = desktop.makeManager();
        m->setStrictMode(false);
        m->toggleStartPause();
        runTicks(*m, 5);
        m->toggleStartPause();
        QVERIFY(!m->isRunning());
        QCOMPARE(m->remainingSeconds(), 2695);
        m->toggleStartPause();
        QVERIFY(m->isRunning());
        QCOMPARE(m->remainingSeconds(), 2695);

        m->resetTimer();
        QVERIFY(!m->isRunning());
        QCOMPARE(m->remainingSeconds(), 2700);
    }

    // Time passed counts, not beats nor the wall clock: a process stopped (kill -STOP) loses no
    // focus time, a wall clock set forward ends nothing, a pause is not counted.
    void countdownFollowsTimePassed() {
        FakeDesktop desktop;
        auto m = desktop.makeManager();
        m->setStrictMode(false);
        m->toggleStartPause();
        runHeartbeats(desktop, *m, 2);
        desktop.clock.advance(100);
        m->tick();
        QCOMPARE(m->remainingSeconds(), 2598);
        desktop.clock.set(desktop.clock.now().addSecs(3600));
        m->tick();
        QCOMPARE(m->remainingSeconds(), 2597);
        m->toggleStartPause();
        desktop.clock.advance(500);
        m->toggleStartPause();
        runHeartbeats(desktop, *m, 1);
        QCOMPARE(m->remainingSeconds(), 2596);
        desktop.clock.advance(5000);
        m->tick();
        m->tick();
        QCOMPARE(m->sessionsToday(), 1);
    }

    void pausedBreakStaysABreakUntilReset() {
        FakeDesktop desktop;
        auto m = desktop.makeManager();
        m->setStrictMode(false);
        m->setTotalSeconds(60);
        m->setRemainingSeconds(0);
        m->toggleStartPause();
        m->tickFocusTimer();
        QVERIFY(m->isBreak());
        m->toggleStartPause();
        QVERIFY(!m->isRunning());
        QVERIFY(m->isBreak());
        m->toggleStartPause();
        QVERIFY(m->isBreak());
        m->toggleStartPause();
        m->applyPreset(FocusPreset::Study);
        QVERIFY(!m->isBreak());
        QCOMPARE(m->remainingSeconds(), 1500);
    }

    void presetRuleAppliesOnlyWhileIdle() {
        FakeDesktop desktop;
        auto m = desktop.makeManager();
        m->setSelectedPreset(FocusPreset::Study);
        QCOMPARE(m->totalSeconds(), 1500);
        QCOMPARE(m->remainingSeconds(), 1500);
        QVERIFY(!m->strictMode());

        m->setBlockYouTubeShorts(false);
        m->setSelectedPreset(FocusPreset::WindDown);
        QCOMPARE(m->totalSeconds(), 3600);
        QVERIFY(m->strictMode());
        QVERIFY(m->blockYouTubeShorts());

        m->toggleStartPause();
        m->tickFocusTimer();
        m->setSelectedPreset(FocusPreset::Study);
        QCOMPARE(m->selectedPreset(), FocusPreset::Study);
        QCOMPARE(m->totalSeconds(), 3600);
        QCOMPARE(m->remainingSeconds(), 3599);
        QVERIFY(m->strictMode());

        m->applyPreset(FocusPreset::DeepWork);  // refused while running
        QCOMPARE(m->totalSeconds(), 3600);
    }

    void choosingTheSamePresetAgainStillRewinds() {
        FakeDesktop desktop;
        auto m = desktop.makeManager();
        m->setStrictMode(false);
        m->toggleStartPause();
        m->tickFocusTimer();
        m->toggleStartPause();
        m->setSelectedPreset(FocusPreset::DeepWork);
        QCOMPARE(m->remainingSeconds(), 2700);
        QVERIFY(m->strictMode());
    }

    void quickDurationWhileIdleRewindsLeavesTheBreakAndSaves() {
        FakeDesktop desktop;
        auto m = desktop.makeManager();
        m->setStrictMode(false);
        m->setTotalSeconds(60);
        m->setRemainingSeconds(0);
        m->toggleStartPause();
        m->tickFocusTimer();
        m->toggleStartPause();  // a paused break
        QVERIFY(m->isBreak());

        m->chooseDuration(15);
        QCOMPARE(m->totalSeconds(), 15);
        QCOMPARE(m->remainingSeconds(), 15);
        QVERIFY(!m->isBreak());
        QCOMPARE(m->selectedPreset(), FocusPreset::DeepWork);
        QCOMPARE(decodePersistedState(desktop.savedDocument())->totalSeconds, 15);

        m->toggleStartPause();
        m->chooseDuration(3600);  // refused while running
        QCOMPARE(m->totalSeconds(), 15);
    }

    void shieldTargetIsClearedByEmptyText() {
        FakeDesktop desktop;
        auto m = desktop.makeManager();
        QVERIFY(!m->hasInterceptedTarget());
        m->setInterceptedTargetName(QStringLiteral("Discord"));
        QCOMPARE(m->interceptedTarget(), std::optional<QString>(QStringLiteral("Discord")));
        m->setInterceptedTargetName(QString());
        QCOMPARE(m->interceptedTarget(), std::nullopt);
    }

    void derivedValues() {
        FakeDesktop desktop;
        auto m = desktop.makeManager();
        m->setTotalSeconds(0);
        QCOMPARE(m->progress(), 0.0);
        m->setTotalSeconds(2700);
        m->setRemainingSeconds(1350);
        QCOMPARE(m->progress(), 0.5);
        for (int i = 0; i < 4; ++i) {
            m->nextBreakPrompt();
        }
        QCOMPARE(m->breakPromptIndex(), 0);
    }

    void formattedRemaining_data() {
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("preset") << qint64(2700) << QStringLiteral("45:00");
        QTest::newRow("ten minutes") << qint64(600) << QStringLiteral("10:00");
        QTest::newRow("just under ten") << qint64(599) << QStringLiteral("09:59");
        QTest::newRow("one minute") << qint64(60) << QStringLiteral("01:00");
        QTest::newRow("seconds only") << qint64(5) << QStringLiteral("00:05");
        QTest::newRow("zero") << qint64(0) << QStringLiteral("00:00");
        QTest::newRow("three hours") << qint64(10800) << QStringLiteral("180:00");
    }
    void formattedRemaining() {
        QFETCH(qint64, seconds);
        QFETCH(QString, text);
        QCOMPARE(formatRemaining(seconds), text);
    }

    void ambientSoundPlaysDuringFocusOnlyUnlessPreviewing() {
        FakeDesktop desktop;
        auto m = desktop.makeManager();
        m->setStrictMode(false);
        m->setAmbientSound(AmbientSoundType::Rain);
        QVERIFY(!desktop.ambient.calls.last().shouldPlay);

        m->toggleStartPause();
        QCOMPARE(desktop.ambient.calls.last().type, AmbientSoundType::Rain);
        QVERIFY(desktop.ambient.calls.last().shouldPlay);

        m->setRemainingSeconds(0);
        m->tickFocusTimer();
        QVERIFY(m->isBreak());
        QVERIFY(!desktop.ambient.calls.last().shouldPlay);

        m->setPreviewAmbientSound(true);
        QVERIFY(desktop.ambient.calls.last().shouldPlay);
        m->toggleStartPause();
        m->resetTimer();
        QVERIFY(desktop.ambient.calls.last().shouldPlay);

        m->setAmbientVolume(0.8);
        QCOMPARE(desktop.ambient.calls.last().volume, 0.8);
    }

    void theBreaksEndNeverStartsTheSound() {
        FakeDesktop desktop;
        auto m = desktop.makeManager();
        m->setAmbientSound(AmbientSoundType::Zen);
        m->toggleStartPause();
        m->setRemainingSeconds(0);
        m->tickFocusTimer();
        QVERIFY(m->isBreak());
        const qsizetype before = desktop.ambient.calls.size();
        m->setRemainingSeconds(0);
        m->tickFocusTimer();
        QVERIFY(!m->isRunning());
        QVERIFY(desktop.ambient.calls.size() > before);
        for (qsizetype i = before; i < desktop.ambient.calls.size(); ++i) {
            QVERIFY(!desktop.ambient.calls.at(i).shouldPlay);
        }
    }

    void strictFocusGoesOnAfterAKill() {
        FakeDesktop desktop;
        desktop.workspace.running = {app(QStringLiteral("Discord")), app(QStringLiteral("XTerm"))};
        {
            auto m = desktop.makeManager();
            m->setSelectedPreset(FocusPreset::WindDown);
            m->toggleStartPause();
            desktop.workspace.hidden.clear();
            runHeartbeats(desktop, *m, 100);  // the last periodic save came at 90
        }                                     // killed: nothing more is saved

        desktop.clock.advance(60);
        auto m = desktop.makeManager();
        QVERIFY(m->isRunning());
        QVERIFY(!m->isBreak());
        QVERIFY(m->isLocked());
        QCOMPARE(m->selectedPreset(), FocusPreset::WindDown);
        QCOMPARE(m->totalSeconds(), 3600);
        QCOMPARE(m->remainingSeconds(), 3600 - 100 - 60);
        // The sweep at once, before any heartbeat; the sound is back too.
        QCOMPARE(desktop.workspace.hidden, QStringList{QStringLiteral("Discord")});
        QVERIFY(desktop.ambient.calls.last().shouldPlay);

        m->toggleStartPause();
        m->resetTimer();
        m->endSessionForQuit();
        QVERIFY(m->isRunning());
        QCOMPARE(m->remainingSeconds(), 3440);

        // It ends and is counted like any other.
        runTicks(*m, 3441);
        QVERIFY(m->isBreak());
        QCOMPARE(m->sessionsToday(), 1);
        QCOMPARE(m->focusMinutesToday(), 60);
    }

    void relaxedFocusGoesOnAfterAKillAndCanStillBePaused() {
        FakeDesktop desktop;
        {
            auto m = desktop.makeManager();
            m->setSelectedPreset(FocusPreset::Study);
            m->toggleStartPause();
            runTicks(*m, 20);  // heartbeats without a save: the end saved at the start holds
        }
        desktop.clock.advance(300);
        auto m = desktop.makeManager();
        QVERIFY(m->isRunning());
        QVERIFY(!m->strictMode());
        QCOMPARE(m->remainingSeconds(), 1500 - 300);
        m->toggleStartPause();
        QVERIFY(!m->isRunning());
        QCOMPARE(m->remainingSeconds(), 1200);
    }

    void focusThatEndedWhileAwayIsOverAndUncounted_data() {
        QTest::addColumn<qint64>("away");
        QTest::newRow("to the second of its end") << qint64(2700);
        QTest::newRow("a day later") << qint64(86400);
    }
    void focusThatEndedWhileAwayIsOverAndUncounted() {
        QFETCH(qint64, away);
        FakeDesktop desktop;
        desktop.clock.setTime(QTime(8, 0));
        desktop.makeManager()->toggleStartPause();
        desktop.clock.advance(away);
        desktop.workspace.running = {app(QStringLiteral("Discord"))};
        auto m = desktop.makeManager();
        QVERIFY(!m->isRunning());
        QVERIFY(!m->isLocked());
        QCOMPARE(m->remainingSeconds(), 2700);
        QCOMPARE(m->sessionsToday(), 0);
        QCOMPARE(m->focusMinutesToday(), 0);
        QVERIFY(desktop.workspace.hidden.isEmpty());
    }

    void aHandEditedEndYearsAwayLocksNoLongerThanTheLongestSession() {
        FakeDesktop desktop;
        desktop.makeManager()->toggleStartPause();
        QJsonObject o = QJsonDocument::fromJson(desktop.savedDocument()).object();
        QJsonObject session = o.value(QStringLiteral("runningSession")).toObject();
        QVERIFY(!session.isEmpty());
        session.insert(QStringLiteral("totalSeconds"), 315360000);
        session.insert(QStringLiteral("remainingSeconds"), 315360000);
        session.insert(QStringLiteral("endsAt"),
                       desktop.clock.now().toSecsSinceEpoch() + qint64(315360000));
        o.insert(QStringLiteral("runningSession"), session);
        desktop.setSavedDocument(QJsonDocument(o).toJson());

        auto m = desktop.makeManager();
        QVERIFY(m->isLocked());
        QCOMPARE(m->totalSeconds(), longestSessionSeconds);
        QCOMPARE(m->remainingSeconds(), longestSessionSeconds);
        runTicks(*m, int(longestSessionSeconds) + 1);
        QVERIFY(m->isBreak());
    }

    // Each way a session ends, or stops being focus, takes it out of the saved document at
    // once, so a kill right after starts idle.
    void endedFocusLeavesNothingToGoOn_data() {
        QTest::addColumn<Ending>("end");
        QTest::newRow("runs out into the break") << Ending([](FakeDesktop&, FocusManager& m) {
            m.setRemainingSeconds(0);
            m.tickFocusTimer();
        });
        QTest::newRow("runs out without a break") << Ending([](FakeDesktop&, FocusManager& m) {
            m.setAutoStartBreak(false);
            m.setRemainingSeconds(0);
            m.tickFocusTimer();
        });
        // A kill during the break must not come back as focus.
        QTest::newRow("a save during the break") << Ending([](FakeDesktop&, FocusManager& m) {
            m.setRemainingSeconds(0);
            m.tickFocusTimer();
            m.tickFocusTimer();
            m.saveState();
        });
        QTest::newRow("paused") << Ending([](FakeDesktop&, FocusManager& m) {
            m.setStrictMode(false);
            m.toggleStartPause();
        });
        QTest::newRow("reset") << Ending([](FakeDesktop&, FocusManager& m) {
            m.setStrictMode(false);
            m.resetTimer();
        });
        QTest::newRow("quit when allowed") << Ending([](FakeDesktop&, FocusManager& m) {
            m.setStrictMode(false);
            m.endSessionForQuit();
        });
    }
    void endedFocusLeavesNothingToGoOn() {
        QFETCH(Ending, end);
        FakeDesktop desktop;
        {
            auto m = desktop.makeManager();
            m->toggleStartPause();
            QVERIFY(savedSession(desktop));
            end(desktop, *m);
            QVERIFY(!savedSession(desktop));
        }
        QVERIFY(!desktop.makeManager()->isLocked());
    }

    void startingSavesWhatAKillNeedsAtOnce() {
        FakeDesktop desktop;
        auto m = desktop.makeManager();
        m->setSelectedPreset(FocusPreset::Study);
        m->toggleStartPause();
        const qint64 now = desktop.clock.now().toSecsSinceEpoch();
        QCOMPARE(savedSession(desktop), std::optional(RunningSession{
                                            .preset = FocusPreset::Study,
                                            .totalSeconds = 1500,
                                            .remainingSeconds = 1500,
                                            .strictMode = false,
                                            .endsAt = now + 1500,
                                        }));
        // A strict quit is refused and leaves it saved.
        m->setStrictMode(true);
        m->endSessionForQuit();
        QVERIFY(savedSession(desktop));

        // A schedule starting focus saves it too.
        FakeDesktop scheduled;
        scheduled.clock.setTime(QTime(9, 30));
        auto s = scheduled.makeManager();
        s->setScheduleEnabled(uuidText(s->schedules().first().id), true);
        s->checkSchedules();
        QVERIFY(s->isRunning());
        QCOMPARE(savedSession(scheduled)->remainingSeconds, 9000);
    }

    void sharedFollowsTheManagersLife() {
        FakeDesktop desktop;
        {
            auto m = desktop.makeManager();
            QCOMPARE(FocusManager::shared(), m.get());
        }
        QCOMPARE(FocusManager::shared(), nullptr);
    }
};

QTEST_GUILESS_MAIN(TestCountdown)
#include "tst_countdown.moc"
