// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "InsightsFormat.h"
#include "SchedulesFormat.h"

#include <QTest>

using namespace Quorel;

// The texts and rules the Schedules and Insights screens show, without any view.
class TestInsightsSchedulesFormats : public QObject {
    Q_OBJECT

private slots:
    void scheduleDetailPadsEveryFieldAndNamesThePreset_data() {
        QTest::addColumn<int>("startHour");
        QTest::addColumn<int>("startMinute");
        QTest::addColumn<int>("endHour");
        QTest::addColumn<int>("endMinute");
        QTest::addColumn<FocusPreset>("preset");
        QTest::addColumn<QString>("text");

        QTest::newRow("evening") << 22 << 30 << 23 << 30 << FocusPreset::WindDown
                                 << QStringLiteral("22:30 \u2013 23:30 \u2022 Wind Down");
        QTest::newRow("empty window, single digits")
            << 7 << 5 << 7 << 5 << FocusPreset::Study
            << QStringLiteral("07:05 \u2013 07:05 \u2022 Study");
        QTest::newRow("midnight wrap") << 23 << 0 << 0 << 0 << FocusPreset::DeepWork
                                       << QStringLiteral("23:00 \u2013 00:00 \u2022 Deep Work");
    }

    void scheduleDetailPadsEveryFieldAndNamesThePreset() {
        QFETCH(int, startHour);
        QFETCH(int, startMinute);
        QFETCH(int, endHour);
        QFETCH(int, endMinute);
        QFETCH(FocusPreset, preset);
        QFETCH(QString, text);

        QCOMPARE(scheduleDetailText(startHour, startMinute, endHour, endMinute, preset), text);
    }

    void presetPickerFollowsDeclarationOrder() {
        QCOMPARE(presetTitles(), (QStringList{QStringLiteral("Deep Work"), QStringLiteral("Study"),
                                              QStringLiteral("Wind Down")}));
        for (const auto& [preset, raw] : EnumCases<FocusPreset>::all) {
            QCOMPARE(presetAtIndex(presetIndex(preset)), preset);
        }
        QCOMPARE(presetAtIndex(-1), std::nullopt);
        QCOMPARE(presetAtIndex(3), std::nullopt);
    }

    void clockFieldAcceptsOnlyDigitsInRange_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("highest");
        QTest::addColumn<int>("value");  // -1: refused

        QTest::newRow("one digit") << "7" << 23 << 7;
        QTest::newRow("padded") << "07" << 59 << 7;
        QTest::newRow("last hour") << "23" << 23 << 23;
        QTest::newRow("past the last hour") << "24" << 23 << -1;
        QTest::newRow("last minute") << "59" << 59 << 59;
        QTest::newRow("empty") << "" << 59 << -1;
        QTest::newRow("three digits") << "007" << 59 << -1;
        QTest::newRow("sign") << "-1" << 59 << -1;
        QTest::newRow("blank") << " 5" << 59 << -1;
        QTest::newRow("letter") << "1a" << 59 << -1;
    }

    void clockFieldAcceptsOnlyDigitsInRange() {
        QFETCH(QString, text);
        QFETCH(int, highest);
        QFETCH(int, value);

        QCOMPARE(parseClockField(text, highest).value_or(-1), value);
    }

    void clockFieldAlwaysShowsTwoDigits() {
        QCOMPARE(clockFieldText(0), QStringLiteral("00"));
        QCOMPARE(clockFieldText(7), QStringLiteral("07"));
        QCOMPARE(clockFieldText(23), QStringLiteral("23"));
    }

    void figureTextsHaveNoSingularForms() {
        QCOMPARE(hoursText(0), QStringLiteral("0.0h"));
        QCOMPARE(hoursText(2.5), QStringLiteral("2.5h"));
        QCOMPARE(goalText(4), QStringLiteral("Goal: 4.0h"));
        QCOMPARE(goalText(3.5), QStringLiteral("Goal: 3.5h"));
        QCOMPARE(focusMinutesText(0), QStringLiteral("0m"));
        QCOMPARE(focusMinutesText(50), QStringLiteral("50m"));
        QCOMPARE(sessionsTodayText(1), QStringLiteral("1 session today"));
        QCOMPARE(sessionsTodayText(0), QStringLiteral("0 sessions today"));
        QCOMPARE(streakDaysText(1), QStringLiteral("1 day"));
        QCOMPARE(streakDaysText(2), QStringLiteral("2 days"));
        QCOMPARE(streakDaysText(0), QStringLiteral("0 days"));
    }

    void badgeNamesTheTrackingMode() {
        QCOMPARE(usageModeBadge(ScreenTimeTrackingMode::AllApps),
                 QStringLiteral("All Apps Usage Time"));
        QCOMPARE(usageModeBadge(ScreenTimeTrackingMode::BlockedAppsOnly),
                 QStringLiteral("Blocked App Usage Time"));
    }

    void barLabelIsMinutesUnderAnHour_data() {
        QTest::addColumn<double>("hours");
        QTest::addColumn<QString>("label");

        QTest::newRow("empty day") << 0.0 << "0m";
        QTest::newRow("three quarters") << 0.75 << "45m";
        QTest::newRow("just under an hour") << 0.999 << "60m";
        QTest::newRow("an hour") << 1.0 << "1.0h";
        QTest::newRow("long day") << 6.5 << "6.5h";
        // Whole seconds from the tracker: halves round away from zero, not to even.
        QTest::newRow("30 s") << 30.0 / 3600 << "1m";
        QTest::newRow("150 s") << 150.0 / 3600 << "3m";
        QTest::newRow("29 s") << 29.0 / 3600 << "0m";
    }

    void barLabelIsMinutesUnderAnHour() {
        QFETCH(double, hours);
        QFETCH(QString, label);

        QCOMPARE(weeklyBarLabel(hours), label);
    }

    void barScalesToTheGoalButNeverBelowFourHours_data() {
        QTest::addColumn<double>("hours");
        QTest::addColumn<double>("goal");
        QTest::addColumn<double>("height");
        QTest::addColumn<bool>("red");

        QTest::newRow("small goal still scales to 4 h") << 3.0 << 2.0 << 90.0 << true;
        QTest::newRow("past the scale is capped") << 6.0 << 5.0 << 120.0 << true;
        QTest::newRow("empty day is a stub") << 0.0 << 3.0 << 8.0 << false;
        QTest::newRow("tiny day is a stub") << 0.2 << 4.0 << 8.0 << false;
        QTest::newRow("at the goal is not red") << 4.0 << 4.0 << 120.0 << false;
        QTest::newRow("half of a 6 h goal") << 3.0 << 6.0 << 60.0 << false;
        QTest::newRow("just over the goal") << 2.01 << 2.0 << 60.3 << true;
    }

    void barScalesToTheGoalButNeverBelowFourHours() {
        QFETCH(double, hours);
        QFETCH(double, goal);
        QFETCH(double, height);
        QFETCH(bool, red);

        QCOMPARE(weeklyBarHeight(hours, goal), height);
        QCOMPARE(weeklyBarOverGoal(hours, goal), red);
    }

    void topAppShowsAtLeastOneMinuteAndFillsAtAnHour_data() {
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<QString>("minutes");
        QTest::addColumn<double>("fraction");

        QTest::newRow("none") << qint64(0) << "1m" << 0.0;
        QTest::newRow("3 s") << qint64(3) << "1m" << 3.0 / 3600;
        QTest::newRow("59 s") << qint64(59) << "1m" << 59.0 / 3600;
        QTest::newRow("119 s") << qint64(119) << "1m" << 119.0 / 3600;
        QTest::newRow("120 s") << qint64(120) << "2m" << 120.0 / 3600;
        QTest::newRow("half an hour") << qint64(1800) << "30m" << 0.5;
        QTest::newRow("two hours") << qint64(7200) << "120m" << 1.0;
    }

    void topAppShowsAtLeastOneMinuteAndFillsAtAnHour() {
        QFETCH(qint64, seconds);
        QFETCH(QString, minutes);
        QFETCH(double, fraction);

        QCOMPARE(topAppMinutesText(seconds), minutes);
        QCOMPARE(topAppBarFraction(seconds), fraction);
    }
};

QTEST_APPLESS_MAIN(TestInsightsSchedulesFormats)
#include "tst_screenformats_insights_schedules.moc"
