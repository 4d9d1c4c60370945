// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "Fakes.h"
#include "ScheduleRules.h"

#include <QTest>

using namespace Quorel;

namespace {

FocusSchedule window(int sh, int sm, int eh, int em, FocusPreset preset = FocusPreset::DeepWork) {
    return FocusSchedule{
        QUuid::createUuid(), QStringLiteral("Window"), preset, sh, sm, eh, em, true};
}

}  // namespace

class TestSchedules : public QObject {
    Q_OBJECT

private slots:
    void windowsAndLengths_data() {
        QTest::addColumn<FocusSchedule>("schedule");
        QTest::addColumn<QTime>("now");
        QTest::addColumn<qint64>("length");  // 0: outside the window

        const FocusSchedule morning = window(9, 0, 12, 0);
        QTest::newRow("a minute early") << morning << QTime(8, 59) << qint64(0);
        QTest::newRow("first minute") << morning << QTime(9, 0) << qint64(10800);
        QTest::newRow("half a minute left") << morning << QTime(11, 59, 30) << qint64(60);
        QTest::newRow("end minute excluded") << morning << QTime(12, 0) << qint64(0);
        QTest::newRow("last minute of bedtime")
            << window(22, 30, 23, 30) << QTime(23, 29) << qint64(60);
        const FocusSchedule wrapping = window(23, 0, 1, 0);
        QTest::newRow("wrapping before midnight") << wrapping << QTime(23, 30) << qint64(5400);
        QTest::newRow("wrapping after midnight") << wrapping << QTime(0, 30) << qint64(1800);
        QTest::newRow("wrapping at its end") << wrapping << QTime(1, 0) << qint64(0);
        QTest::newRow("wrapping before its start") << wrapping << QTime(22, 59) << qint64(0);
        QTest::newRow("empty window") << window(8, 0, 8, 0) << QTime(8, 0) << qint64(0);
        QTest::newRow("long window capped") << window(6, 0, 18, 0) << QTime(6, 0) << qint64(10800);
        QTest::newRow("all but one minute") << window(0, 1, 0, 0) << QTime(0, 1) << qint64(10800);
    }
    void windowsAndLengths() {
        QFETCH(FocusSchedule, schedule);
        QFETCH(QTime, now);
        QFETCH(qint64, length);
        const qint64 minute = minuteOfDay(now);
        QCOMPARE(scheduleWindowContains(schedule, minute), length > 0);

        // The same through the manager, from an idle start.
        FakeDesktop desktop;
        desktop.clock.setTime(now);
        auto m = desktop.makeManager();
        m->setSchedules({schedule});
        m->checkSchedules();
        QCOMPARE(m->isRunning(), length > 0);
        if (length > 0) {
            QCOMPARE(m->totalSeconds(), length);
            QCOMPARE(m->remainingSeconds(), length);
        }
    }

    void startedScheduleAppliesItsPresetAndFiresOncePerDay() {
        FakeDesktop desktop;
        desktop.clock.setTime(QTime(9, 0));
        auto m = desktop.makeManager();
        FocusSchedule study = window(9, 0, 10, 0, FocusPreset::Study);
        m->setStrictMode(true);
        m->setBlockYouTubeShorts(false);
        m->setSchedules({study});
        m->checkSchedules();
        QVERIFY(m->isRunning());
        QCOMPARE(m->selectedPreset(), FocusPreset::Study);
        QVERIFY(!m->strictMode());
        QVERIFY(m->blockYouTubeShorts());
        QCOMPARE(m->totalSeconds(), 3600);

        m->resetTimer();
        desktop.clock.advance(60);
        m->checkSchedules();
        QVERIFY(!m->isRunning());

        // Removing it and adding an equal one gives a new id that may fire.
        m->removeSchedule(study.id);
        study.id = QUuid::createUuid();
        m->setSchedules({study});
        m->checkSchedules();
        QVERIFY(m->isRunning());
    }

    void deepWorkScheduleCannotBePaused() {
        FakeDesktop desktop;
        desktop.clock.setTime(QTime(14, 0));
        auto m = desktop.makeManager();
        m->setStrictMode(false);
        m->setSchedules({window(14, 0, 15, 0, FocusPreset::DeepWork)});
        m->tick();
        QVERIFY(m->isLocked());
        m->toggleStartPause();
        QVERIFY(m->isRunning());
    }

    void onlyTheFirstEligibleScheduleStarts() {
        FakeDesktop desktop;
        desktop.clock.setTime(QTime(9, 30));
        auto m = desktop.makeManager();
        const FocusSchedule first = window(9, 0, 9, 45, FocusPreset::Study);
        const FocusSchedule second = window(9, 0, 11, 0, FocusPreset::Study);
        m->setSchedules({first, second});
        m->checkSchedules();
        QCOMPARE(m->totalSeconds(), 15 * 60);
        QVERIFY(m->triggeredSchedulesToday().contains(first.id));
        QVERIFY(!m->triggeredSchedulesToday().contains(second.id));

        m->resetTimer();
        m->checkSchedules();
        QVERIFY(m->isRunning());
        QCOMPARE(m->totalSeconds(), 90 * 60);
    }

    void disabledAndRunningHoldSchedulesBack() {
        FakeDesktop desktop;
        desktop.clock.setTime(QTime(9, 0));
        auto m = desktop.makeManager();
        FocusSchedule s = window(9, 0, 12, 0);
        s.isEnabled = false;
        m->setSchedules({s});
        m->tick();
        QVERIFY(!m->isRunning());

        s.isEnabled = true;
        m->setSchedules({s});
        m->setStrictMode(false);
        m->toggleStartPause();  // a running countdown: the heartbeat does not look at schedules
        m->tick();
        QVERIFY(m->triggeredSchedulesToday().isEmpty());
        m->toggleStartPause();  // paused: the schedule replaces the paused countdown
        m->tick();
        QVERIFY(m->isRunning());
        QCOMPARE(m->totalSeconds(), 10800);
    }

    void addingPutsAnEnabledScheduleOnTopAndSaves() {
        FakeDesktop desktop;
        auto m = desktop.makeManager();
        const int writes = desktop.preferences.writes;
        m->addSchedule(QStringLiteral("   "), FocusPreset::WindDown, QTime(21, 15), QTime(20, 5));
        QCOMPARE(m->schedules().size(), 3);
        const FocusSchedule& added = m->schedules().first();
        QCOMPARE(added.title, QStringLiteral("Wind Down Block"));
        QCOMPARE(added.preset, FocusPreset::WindDown);
        QVERIFY(added.isEnabled);
        QCOMPARE(added.startHour, 21);
        QCOMPARE(added.startMinute, 15);
        QCOMPARE(added.endHour, 20);
        QCOMPARE(added.endMinute, 5);
        QVERIFY(desktop.preferences.writes > writes);
        QCOMPARE(decodePersistedState(desktop.savedDocument())->schedules->first().title,
                 QStringLiteral("Wind Down Block"));

        m->addSchedule(QStringLiteral("  Reading \n"), FocusPreset::Study, QTime(7, 5),
                       QTime(23, 45));
        QCOMPARE(m->schedules().first().title, QStringLiteral("Reading"));
        QCOMPARE(m->schedules().first().startMinute, 5);

        m->removeSchedule(QUuid::createUuid());
        QCOMPARE(m->schedules().size(), 4);
    }

    void rowsSwitchAndDeleteByTheirIdText() {
        FakeDesktop desktop;
        auto m = desktop.makeManager();
        QCOMPARE(m->schedules().size(), 2);
        const QString id = uuidText(m->schedules().first().id);
        QCOMPARE(id, id.toUpper());

        m->setScheduleEnabled(id, true);
        QVERIFY(m->schedules().first().isEnabled);
        QVERIFY(decodePersistedState(desktop.savedDocument())->schedules->first().isEnabled);
        m->setScheduleEnabled(QStringLiteral("no such id"), false);
        QVERIFY(m->schedules().first().isEnabled);

        m->removeScheduleWithId(id);
        QCOMPARE(m->schedules().size(), 1);
        QCOMPARE(m->schedules().first().title, QStringLiteral("Bedtime Wind Down"));
    }

    // Berlin repeats 02:00-02:59 on 25 October 2026.
    void aRepeatedHourRunsTheWindowOnce() {
        FakeDesktop desktop;
        auto m = desktop.makeManager();
        // 02:10 summer time, the first of the two.
        desktop.clock.set(QDateTime(QDate(2026, 10, 25), QTime(0, 10), QTimeZone::utc())
                              .toTimeZone(FakeClock::zone()));
        m->setStrictMode(false);
        m->setSchedules({window(2, 0, 2, 30, FocusPreset::Study)});
        m->tick();
        QVERIFY(m->isRunning());
        m->resetTimer();
        desktop.clock.advance(3600);  // the same wall-clock 02:10, an hour later
        QCOMPARE(desktop.clock.now().time(), QTime(2, 10));
        m->tick();
        QVERIFY(!m->isRunning());
    }
};

QTEST_GUILESS_MAIN(TestSchedules)
#include "tst_schedules.moc"
