// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "Fakes.h"
#include "UsageRules.h"

#include <QSignalSpy>
#include <QTest>

#include <limits>

using namespace Quorel;

namespace {
const QString today = QStringLiteral("2026-12-6");
}

class TestUsage : public QObject {
    Q_OBJECT

private slots:
    void eachTickCreditsTheFrontmostApplication() {
        FakeDesktop desktop;
        auto m = desktop.makeManager();
        desktop.workspace.frontmost = QStringLiteral("XTerm");
        m->tick();
        m->tick();
        desktop.workspace.frontmost = QStringLiteral("Quorel");  // this program counts too
        m->tick();
        QCOMPARE(m->trackedAppSeconds().value(QStringLiteral("XTerm")), 2);
        QCOMPARE(m->trackedAppSeconds().value(QStringLiteral("Quorel")), 1);
        QCOMPARE(m->dailySecondsByDate().value(today), 3);
        QVERIFY(m->trackedBlockedAppSeconds().isEmpty());
    }

    void noFrontmostApplicationStillRunsTheRestOfTheTick() {
        FakeDesktop desktop;
        auto m = desktop.makeManager();
        m->setStrictMode(false);
        m->toggleStartPause();
        for (int i = 0; i < 15; ++i) {
            m->tick();
        }
        QVERIFY(m->trackedAppSeconds().isEmpty());
        QVERIFY(m->dailySecondsByDate().isEmpty());
        QCOMPARE(m->remainingSeconds(), 2685);
        QVERIFY(desktop.preferences.writes > 0);
    }

    // Time away is not screen time; the countdown and blocking carry on regardless.
    void awayCreditsNothingWhileFocusGoesOn_data() {
        QTest::addColumn<bool>("locked");
        QTest::addColumn<int>("idleSeconds");  // -1: the desktop does not tell
        QTest::addColumn<int>("awayAfterMinutes");
        QTest::addColumn<bool>("credited");

        QTest::newRow("at the machine") << false << 0 << 5 << true;
        QTest::newRow("locked") << true << 0 << 5 << false;
        QTest::newRow("locked, idle unknown") << true << -1 << 5 << false;
        QTest::newRow("idle past the threshold") << false << 301 << 5 << false;
        QTest::newRow("idle exactly the threshold") << false << 300 << 5 << false;
        QTest::newRow("idle under the threshold") << false << 299 << 5 << true;
        QTest::newRow("idle under a longer threshold") << false << 600 << 15 << true;
        QTest::newRow("idle past a shorter threshold") << false << 61 << 1 << false;
        QTest::newRow("idle unknown") << false << -1 << 5 << true;
    }

    void awayCreditsNothingWhileFocusGoesOn() {
        QFETCH(bool, locked);
        QFETCH(int, idleSeconds);
        QFETCH(int, awayAfterMinutes);
        QFETCH(bool, credited);
        FakeDesktop desktop;
        auto m = desktop.makeManager();
        m->setAwayAfterMinutes(awayAfterMinutes);
        m->setStrictMode(false);
        m->setBlockedApps(
            {BlockedApp{QUuid::createUuid(), QStringLiteral("Steam"), true, std::nullopt}});
        m->toggleStartPause();
        desktop.workspace.hidden.clear();
        desktop.workspace.frontmost = QStringLiteral("Steam");
        desktop.presence.locked = locked;
        desktop.presence.idle =
            idleSeconds < 0 ? std::nullopt : std::optional(std::chrono::seconds(idleSeconds));
        QSignalSpy usage(m.get(), &FocusManager::usageChanged);

        m->tick();
        m->tick();

        const qint64 seconds = credited ? 2 : 0;
        QCOMPARE(m->trackedAppSeconds().value(QStringLiteral("Steam")), seconds);
        QCOMPARE(m->trackedBlockedAppSeconds().value(QStringLiteral("Steam")), seconds);
        QCOMPARE(m->dailySecondsByDate().value(today), seconds);
        QCOMPARE(m->dailyBlockedSecondsByDate().value(today), seconds);
        QCOMPARE(usage.size(), credited ? 2 : 0);
        QCOMPARE(m->remainingSeconds(), 2698);  // a reader during Deep Work focuses
        QVERIFY(desktop.workspace.hidden.contains(QStringLiteral("Steam")));  // still blocked
        if (!locked) {
            QCOMPARE(desktop.presence.askedThreshold, std::optional<std::chrono::milliseconds>(
                                                          std::chrono::minutes(awayAfterMinutes)));
        }

        // Back at the machine, the next second counts again.
        desktop.presence.locked = false;
        desktop.presence.idle = std::chrono::seconds(0);
        m->tick();
        QCOMPARE(m->dailySecondsByDate().value(today), seconds + 1);
    }

    void awayThresholdIsHeldToItsRange_data() {
        QTest::addColumn<qint64>("asked");
        QTest::addColumn<qint64>("kept");
        QTest::newRow("one") << qint64(1) << qint64(1);
        QTest::newRow("an hour") << qint64(60) << qint64(60);
        QTest::newRow("zero") << qint64(0) << qint64(1);
        QTest::newRow("negative") << qint64(-30) << qint64(1);
        QTest::newRow("a day") << qint64(1440) << qint64(60);
        QTest::newRow("the largest") << std::numeric_limits<qint64>::max() << qint64(60);
    }

    void awayThresholdIsHeldToItsRange() {
        QFETCH(qint64, asked);
        QFETCH(qint64, kept);
        FakeDesktop desktop;
        auto m = desktop.makeManager();
        QCOMPARE(m->awayAfterMinutes(), 5);
        m->setAwayAfterMinutes(asked);
        QCOMPARE(m->awayAfterMinutes(), kept);
    }

    void blockedTimeIsKeyedByTheFrontmostName() {
        FakeDesktop desktop;
        auto m = desktop.makeManager();
        m->setBlockedApps(
            {BlockedApp{QUuid::createUuid(), QStringLiteral("mail"), true, std::nullopt},
             BlockedApp{QUuid::createUuid(), QStringLiteral("Agent"), true, std::nullopt}});
        desktop.workspace.frontmost = QStringLiteral("Mail Agent");
        m->tick();
        QCOMPARE(m->trackedBlockedAppSeconds().value(QStringLiteral("Mail Agent")), 1);  // once
        QCOMPARE(m->dailyBlockedSecondsByDate().value(today), 1);

        m->setBlockedApps(
            {BlockedApp{QUuid::createUuid(), QStringLiteral("mail"), false, std::nullopt},
             BlockedApp{QUuid::createUuid(), QString(), true, std::nullopt}});
        m->tick();
        QCOMPARE(m->trackedBlockedAppSeconds().value(QStringLiteral("Mail Agent")), 1);
        QCOMPARE(m->trackedAppSeconds().value(QStringLiteral("Mail Agent")), 2);
    }

    void dayRolloverStartsTheDaysCountersAfresh() {
        FakeDesktop desktop;
        desktop.clock.setTime(QTime(23, 59, 59));
        auto m = desktop.makeManager();
        m->setStrictMode(false);
        desktop.workspace.frontmost = QStringLiteral("Steam");
        m->setFocusMinutesToday(45);
        m->setSessionsToday(1);
        FocusSchedule s{
            QUuid::createUuid(), QStringLiteral("Late"), FocusPreset::Study, 23, 0, 0, 30, true};
        m->setSchedules({s});
        m->tick();  // fires the schedule before midnight
        QVERIFY(m->triggeredSchedulesToday().contains(s.id));
        QCOMPARE(m->trackedAppSeconds().value(QStringLiteral("Steam")), 1);
        m->resetTimer();

        desktop.clock.advance(1);  // 00:00:00 the next day
        m->tick();
        const QString tomorrow = QStringLiteral("2026-12-7");
        QCOMPARE(m->focusMinutesToday(), 0);
        QCOMPARE(m->sessionsToday(), 0);
        QCOMPARE(m->trackedAppSeconds().value(QStringLiteral("Steam")), 1);  // only today's second
        QCOMPARE(m->trackedBlockedAppSeconds().value(QStringLiteral("Steam")), 1);
        QCOMPARE(m->dailySecondsByDate().value(today), 1);
        QCOMPARE(m->dailySecondsByDate().value(tomorrow), 1);
        // The window that crossed midnight already had its session.
        QVERIFY(!m->isRunning());

        // Saved under the new day, the counters survive a restart that day.
        m->saveState();
        auto again = desktop.makeManager();
        QCOMPARE(again->trackedAppSeconds().value(QStringLiteral("Steam")), 1);

        desktop.clock.set(QDateTime(QDate(2026, 12, 7), QTime(23, 0), FakeClock::zone()));
        m->tick();  // the next night's occurrence
        QVERIFY(m->isRunning());
        QCOMPARE(m->totalSeconds(), 90 * 60);
    }

    void clockSetBackIsNoNewDay() {
        FakeDesktop desktop;
        desktop.clock.setTime(QTime(0, 0, 30));
        auto m = desktop.makeManager();
        desktop.workspace.frontmost = QStringLiteral("XTerm");
        m->setSessionsToday(2);
        m->tick();
        // A correction across midnight, then the same midnight again.
        desktop.clock.setTime(QTime(23, 59, 50));
        desktop.clock.advanceDays(-1);
        m->tick();
        desktop.clock.advance(20);
        m->tick();
        QCOMPARE(m->sessionsToday(), 2);
        QCOMPARE(m->trackedAppSeconds().value(QStringLiteral("XTerm")), 3);
        QCOMPARE(m->dailySecondsByDate(), (SecondsMap{{today, 3}}));
        QCOMPARE(m->streakDays(), 1);
    }

    // Steps of whole days, each followed by a heartbeat; "quit" saves and ends Quorel, which
    // starts again at the next step's time; "done" finishes a focus session. Two sessions and a
    // second of XTerm are on the 6th before the first step.
    void clockCorrectionsKeepTodaysCounters_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<qint64>("sessions");
        QTest::addColumn<qint64>("xterm");
        QTest::addColumn<SecondsMap>("daily");
        const SecondsMap sixth{{today, 3}};
        const QString seventh = QStringLiteral("2026-12-7");
        const auto row = [](const char* name, const char* steps) -> QTestData& {
            return QTest::newRow(name) << QString::fromLatin1(steps).split(u' ');
        };
        row("a new day", "+1") << 0LL << 1LL << SecondsMap{{today, 1}, {seventh, 1}};
        const QString fifth = QStringLiteral("2026-12-5");
        // Counters go with a clock set back, so the next midnight is a new day.
        row("set back a day", "-1") << 2LL << 2LL << SecondsMap{{fifth, 2}};
        row("set back a week, corrected", "-7 +7") << 2LL << 3LL << sixth;
        row("a day ahead, corrected", "+1 -1") << 2LL << 3LL << sixth;
        row("a week ahead, corrected", "+7 -7") << 2LL << 3LL << sixth;
        row("a week ahead, corrected the next day", "+7 -6")
            << 0LL << 2LL << SecondsMap{{today, 1}, {seventh, 2}};
        row("a week back, then ahead, corrected", "-7 +8 -1")
            << 2LL << 4LL << SecondsMap{{today, 4}};
        row("set back a week, restarted, set back, corrected", "-7 quit -7 +7")
            << 2LL << 4LL << SecondsMap{{QStringLiteral("2026-11-29"), 4}};
        row("a day ahead, restarted, corrected", "+1 quit +0 -1")
            << 2LL << 4LL << SecondsMap{{today, 4}};
        row("a week ahead while closed, corrected", "quit +7 -7") << 2LL << 3LL << sixth;
        row("a week back while closed, corrected", "quit -7 +7") << 2LL << 3LL << sixth;
        // Saved on a day a wrong clock showed: today's now, and midnight comes as ever.
        row("saved a week ahead, a day before, then midnight", "+7 quit -8 +1")
            << 0LL << 1LL << SecondsMap{{fifth, 2}, {today, 2}};
        row("a session done a day ahead, corrected", "+1 done -1") << 3LL << 3LL << sixth;
    }
    void clockCorrectionsKeepTodaysCounters() {
        QFETCH(QStringList, steps);
        FakeDesktop desktop;
        desktop.workspace.frontmost = QStringLiteral("XTerm");
        auto m = desktop.makeManager();
        m->setSessionsToday(2);
        m->tick();
        for (const QString& step : steps) {
            if (step == u"quit") {
                m->saveState();
                m.reset();
                continue;
            }
            if (step == u"done") {
                m->setSessionsToday(m->sessionsToday() + 1);
                continue;
            }
            desktop.clock.advanceDays(step.toLongLong());
            if (!m) {
                m = desktop.makeManager();
            }
            m->tick();
        }
        QTEST(m->sessionsToday(), "sessions");
        QTEST(m->trackedAppSeconds().value(QStringLiteral("XTerm")), "xterm");
        QTEST(m->dailySecondsByDate(), "daily");
    }

    void saveStampsTheDayItsCountersBelongTo() {
        FakeDesktop desktop;
        desktop.clock.setTime(QTime(23, 59, 59));
        auto m = desktop.makeManager();
        desktop.workspace.frontmost = QStringLiteral("XTerm");
        m->tick();
        m->setSessionsToday(3);
        desktop.clock.advance(1);  // midnight, or a wake from suspend, before the next tick
        m->setDailyGoalHours(4.0);
        const auto saved = decodePersistedState(desktop.savedDocument());
        QVERIFY(saved);
        QCOMPARE(saved->lastSavedDay, today);
        QCOMPARE(saved->sessionsToday, 3);
        auto restarted = desktop.makeManager();
        QCOMPARE(restarted->sessionsToday(), 0);
        QVERIFY(restarted->trackedAppSeconds().isEmpty());
        QCOMPARE(restarted->dailyGoalHours(), 4.0);

        // Saved "tomorrow" by a clock since set back: still that day's counters.
        desktop.clock.advanceDays(-30);
        QCOMPARE(desktop.makeManager()->sessionsToday(), 3);
    }

    void streakInBlockedModeRewardsDaysWithoutBlockedApps() {
        FakeDesktop desktop;
        auto m = desktop.makeManager();
        m->setScreenTimeMode(ScreenTimeTrackingMode::BlockedAppsOnly);
        m->setDailySecondsByDate({{QStringLiteral("2026-12-5"), 5000},
                                  {QStringLiteral("2026-12-4"), 9000},
                                  {QStringLiteral("2026-12-2"), 100}});
        m->setDailyBlockedSecondsByDate({{QStringLiteral("2026-12-4"), 600}});
        m->tick();
        QCOMPARE(m->streakDays(),
                 3);  // today, the 5th with no blocked use, the 4th; the 3rd is a gap
        QCOMPARE(streakRunBefore({}, {}, QDate(2026, 12, 6), 3.0), 0);
    }

    void countersFromABadDocumentSaturate() {
        FakeDesktop desktop;
        desktop.workspace.frontmost = QStringLiteral("XTerm");
        auto m = desktop.makeManager();
        m->saveState();
        const qint64 huge = std::numeric_limits<qint64>::max() - 1;
        QByteArray doc = desktop.savedDocument();
        const QByteArray number = QByteArray::number(huge);
        doc.replace(QByteArrayLiteral("\"trackedAppSeconds\":{}"),
                    QByteArray(R"("trackedAppSeconds":{"XTerm":)" + number + R"(,"X Term":)" +
                               number + R"(,"Neg":-5})"));
        desktop.setSavedDocument(doc);
        m = desktop.makeManager();
        m->tick();
        QVERIFY(m->trackedAppSeconds().value(QStringLiteral("XTerm")) > 0);
        QVERIFY(m->trackedAppSeconds().contains(QStringLiteral("Neg")));
        QCOMPARE(m->trackedAppSeconds().value(QStringLiteral("Neg")), 0);
        QVERIFY(m->totalScreenTimeHours() > 0);
        QVERIFY(m->usedSecondsForApp(QStringLiteral("x")) > 0);
        QCOMPARE(saturatingAdd(huge, huge), std::numeric_limits<qint64>::max());
        QCOMPARE(saturatingAdd(-huge, -huge), std::numeric_limits<qint64>::min());
    }

    void allowanceSumsEveryNameThatContainsTheEntry() {
        SecondsMap tracked{{QStringLiteral("Code Editor"), 100},
                           {QStringLiteral("Pro Code Studio"), 50},
                           {QStringLiteral("Terminal"), 7}};
        QCOMPARE(usedSeconds(tracked, u"code"), 150);
        QCOMPARE(usedSeconds(tracked, u""), 0);
        QCOMPARE(usedSeconds(tracked, u"Browser"), 0);

        FakeDesktop desktop;
        auto m = desktop.makeManager();
        m->setTrackedAppSeconds(tracked);
        QCOMPARE(m->usedSecondsForApp(QStringLiteral("CODE")), 150);
    }

    void nameMatch_data() {
        QTest::addColumn<QString>("app");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<bool>("matches");
        const QString composed = QStringLiteral("Caf\u00E9");
        const QString decomposed = QStringLiteral("Cafe\u0301");
        QTest::newRow("case beyond ASCII")
            << QStringLiteral("ÉDITEUR de texte") << QStringLiteral("éditeur") << true;
        QTest::newRow("decomposed app, composed entry")
            << QString(decomposed + QStringLiteral(" Bar")) << composed << true;
        QTest::newRow("composed app, decomposed entry") << composed << decomposed.toLower() << true;
        QTest::newRow("sharp s") << QStringLiteral("STRASSE") << QStringLiteral("straße") << true;
        QTest::newRow("accent is not a letter away") << QStringLiteral("Cafe") << composed << false;
        QTest::newRow("entry longer than name")
            << QStringLiteral("Steam") << QStringLiteral("Steamy") << false;
        QTest::newRow("empty entry") << QStringLiteral("Steam") << QString() << false;
        QTest::newRow("lone combining mark") << composed << QStringLiteral("\u0301") << false;
    }
    void nameMatch() {
        QFETCH(QString, app);
        QFETCH(QString, entry);
        QFETCH(bool, matches);
        QCOMPARE(nameMatches(app, entry), matches);
    }

    void figuresFollowTheTrackingMode() {
        FakeDesktop desktop;
        auto m = desktop.makeManager();
        QCOMPARE(m->totalScreenTimeHours(), 0.0);
        QVERIFY(m->topUsageItems().isEmpty());

        m->setTrackedAppSeconds({{QStringLiteral("XTerm"), 5400}});
        QCOMPARE(m->totalScreenTimeHours(), 1.5);
        QCOMPARE(m->topUsageItems().size(), 1);
        m->setScreenTimeMode(ScreenTimeTrackingMode::BlockedAppsOnly);
        QCOMPARE(m->totalScreenTimeHours(), 0.0);
        QVERIFY(m->topUsageItems().isEmpty());
    }

    void topUsageKeepsTheFiveLargest() {
        SecondsMap tracked;
        const QList<qint64> seconds{30, 70, 10, 50, 20, 60, 40};
        for (qsizetype i = 0; i < seconds.size(); ++i) {
            tracked.insert(QStringLiteral("App %1").arg(i), seconds[i]);
        }
        const QList<AppUsageItem> top = topUsage(tracked);
        QList<qint64> got;
        for (const AppUsageItem& item : top) {
            got.append(item.seconds);
        }
        QCOMPARE(got, (QList<qint64>{70, 60, 50, 40, 30}));
        QCOMPARE(top.first().name, QStringLiteral("App 1"));
    }

    void weeklyHistoryEndsWithToday() {
        FakeDesktop desktop;  // Sunday 2026-12-6
        auto m = desktop.makeManager();
        m->setDailySecondsByDate({{today, 7200},
                                  {QStringLiteral("2026-11-30"), 3600},
                                  {QStringLiteral("2026-11-29"), 99999}});  // eight days ago
        const QList<DailyUsage> week = m->weeklyHistory();
        QCOMPARE(week.size(), 7);
        QCOMPARE(week.first().day, QStringLiteral("Mon"));
        QCOMPARE(week.first().hours, 1.0);
        QCOMPARE(week.last().day, QStringLiteral("Sun"));
        QCOMPARE(week.last().hours, 2.0);
        double sum = 0;
        for (const DailyUsage& d : week) {
            sum += d.hours;
        }
        QCOMPARE(sum, 3.0);
        QVERIFY(week[0].id != week[1].id);

        m->setScreenTimeMode(ScreenTimeTrackingMode::BlockedAppsOnly);
        QCOMPARE(m->weeklyHistory().last().hours, 0.0);
    }

    void streakCountsTheRunOfDaysWithinTheGoal() {
        FakeDesktop desktop;
        auto m = desktop.makeManager();
        QCOMPARE(m->streakDays(), 1);  // a fresh start

        // Yesterday and the day before within 3 h, three days ago missing.
        m->setDailySecondsByDate({{QStringLiteral("2026-12-5"), 3 * 3600},
                                  {QStringLiteral("2026-12-4"), 600},
                                  {QStringLiteral("2026-12-2"), 600}});
        m->tick();
        QCOMPARE(m->streakDays(), 3);

        m->setDailyGoalHours(2.0);  // yesterday is now over the goal
        m->tick();
        QCOMPARE(m->streakDays(), 1);

        m->setDailySecondsByDate({{today, 3 * 3600}});  // today over the goal
        m->tick();
        QCOMPARE(m->streakDays(), 0);
        const auto saved = decodePersistedState(desktop.savedDocument());
        QCOMPARE(saved->streakDays, 0);
    }

    void streakIsComputedAtLoad() {
        FakeDesktop desktop;
        {
            auto m = desktop.makeManager();
            m->setDailySecondsByDate(
                {{QStringLiteral("2026-12-5"), 60}, {QStringLiteral("2026-12-4"), 60}});
            m->setStreakDays(9);
        }
        auto m = desktop.makeManager();
        QCOMPARE(m->streakDays(), 3);
    }
};

QTEST_GUILESS_MAIN(TestUsage)
#include "tst_usage.moc"
