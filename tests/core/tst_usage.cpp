#include "Fakes.h"
#include "UsageRules.h"

#include <QTest>

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
        // The daily schedule may fire again on its new day.
        QVERIFY(m->isRunning());
        QCOMPARE(m->totalSeconds(), 30 * 60);

        // Saved under the new day, the counters survive a restart that day.
        m->saveState();
        auto again = desktop.makeManager();
        QCOMPARE(again->trackedAppSeconds().value(QStringLiteral("Steam")), 1);
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

    void nameMatchIgnoresCaseBeyondAscii() {
        QVERIFY(nameMatches(u"ÉDITEUR de texte", u"éditeur"));
        QVERIFY(!nameMatches(u"Steam", u"Steamy"));
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
