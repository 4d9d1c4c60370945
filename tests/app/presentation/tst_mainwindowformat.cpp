// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "DisplayFormat.h"
#include "MainWindowFormat.h"

#include <QTest>

#include <limits>

using namespace Quorel;

Q_DECLARE_METATYPE(Quorel::FocusPreset)

class TestMainWindowFormat : public QObject {
    Q_OBJECT

private slots:
    void dailyGoalCard_data() {
        QTest::addColumn<double>("total");
        QTest::addColumn<double>("goal");
        QTest::addColumn<QString>("percent");
        QTest::addColumn<QString>("figures");

        QTest::newRow("part way") << 2.5 << 4.0 << "62%"
                                  << "2.5h of 4.0h";
        QTest::newRow("past the goal, capped") << 5.0 << 4.0 << "100%"
                                               << "5.0h of 4.0h";
        QTest::newRow("exactly met") << 4.0 << 4.0 << "100%"
                                     << "4.0h of 4.0h";
        QTest::newRow("truncated, not rounded") << 3.999 << 4.0 << "99%"
                                                << "4.0h of 4.0h";
        QTest::newRow("a third") << 1.0 << 3.0 << "33%"
                                 << "1.0h of 3.0h";
        QTest::newRow("nothing yet") << 0.0 << 4.0 << "0%"
                                     << "0.0h of 4.0h";
        QTest::newRow("no goal") << 1.5 << 0.0 << "100%"
                                 << "1.5h of 0.0h";
        QTest::newRow("no goal, no usage") << 0.0 << 0.0 << "100%"
                                           << "0.0h of 0.0h";
    }

    void dailyGoalCard() {
        QFETCH(double, total);
        QFETCH(double, goal);
        QFETCH(QString, percent);
        QFETCH(QString, figures);

        QCOMPARE(dailyGoalPercentText(total, goal), percent);
        QCOMPARE(dailyGoalFigures(total, goal), figures);
    }

    void goalPercentIsAlwaysAFigureFromZeroToHundred() {
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const double inf = std::numeric_limits<double>::infinity();
        QCOMPARE(dailyGoalPercent(nan, 4), 100);
        QCOMPARE(dailyGoalPercent(inf, 4), 100);
        QCOMPARE(dailyGoalPercent(2, inf), 0);
        QCOMPARE(dailyGoalPercent(1e300, 1e-300), 100);
    }

    void strictBannerOnlyWhileAStrictSessionRuns() {
        QVERIFY(showsStrictBanner(true, true));
        QVERIFY(!showsStrictBanner(true, false));
        QVERIFY(!showsStrictBanner(false, true));
        QVERIFY(!showsStrictBanner(false, false));
        QCOMPARE(strictBannerText(),
                 QStringLiteral("Strict Mode Active: Early exit and blocklist edits are locked "
                                "until the timer ends."));
    }

    void shieldNamesTheAppAndTheSession_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<FocusPreset>("preset");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("message");

        QTest::newRow("Study") << "Slack" << FocusPreset::Study << "Slack is Blocked"
                               << "Quorel hid Slack to protect your Study session.";
        QTest::newRow("Deep Work")
            << "Visual Studio Code" << FocusPreset::DeepWork << "Visual Studio Code is Blocked"
            << "Quorel hid Visual Studio Code to protect your Deep Work session.";
        QTest::newRow("Wind Down") << "Steam" << FocusPreset::WindDown << "Steam is Blocked"
                                   << "Quorel hid Steam to protect your Wind Down session.";
    }

    void shieldNamesTheAppAndTheSession() {
        QFETCH(QString, name);
        QFETCH(FocusPreset, preset);
        QFETCH(QString, title);
        QFETCH(QString, message);

        QCOMPARE(shieldTitle(name), title);
        QCOMPARE(shieldMessage(name, preset), message);
    }

    void shieldShowsTheTimeLeftAsTheManagerFormatsIt() {
        QCOMPARE(shieldRemaining(QStringLiteral("18:42")), QStringLiteral("18:42 remaining"));
        QCOMPARE(shieldRemaining(QStringLiteral("180:00")), QStringLiteral("180:00 remaining"));
    }

    // The control window's header and button.
    void controlTexts() {
        QCOMPARE(controlHeaderTitle(false, false, FocusPreset::Study),
                 QStringLiteral("Quorel Ready"));
        QCOMPARE(controlHeaderTitle(true, true, FocusPreset::Study), QStringLiteral("Break Time"));
        QCOMPARE(controlHeaderTitle(true, false, FocusPreset::WindDown),
                 QStringLiteral("Wind Down Active"));
        QCOMPARE(primaryActionTitle(false, true), QStringLiteral("Start Focus"));
        QCOMPARE(primaryActionTitle(true, true), QStringLiteral("Locked"));
        QCOMPARE(primaryActionTitle(true, false), QStringLiteral("Pause"));
        QCOMPARE(formatUsageAgainstGoal(5.2, 4.0), QStringLiteral("5.2h / 4.0h"));
    }
};

QTEST_APPLESS_MAIN(TestMainWindowFormat)
#include "tst_mainwindowformat.moc"
