// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "FocusScreenFormat.h"
#include "SettingsScreenFormat.h"

#include <QTest>

using namespace Quorel;

// The texts and rules the Focus and Settings screens show, without any view.
class TestFocusSettingsFormats : public QObject {
    Q_OBJECT

private slots:
    void sessionTextsFollowRunningAndStrict_data() {
        QTest::addColumn<bool>("running");
        QTest::addColumn<bool>("strict");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("primary");

        QTest::newRow("idle") << false << false << "Ready"
                              << "Start Focus";
        // Strict mode alone locks nothing until the countdown runs.
        QTest::newRow("idle, strict") << false << true << "Ready"
                                      << "Start Focus";
        QTest::newRow("running") << true << false << "Blocking active"
                                 << "Pause";
        QTest::newRow("running, strict") << true << true << "Locked until done"
                                         << "Strict Locked";
    }

    void sessionTextsFollowRunningAndStrict() {
        QFETCH(bool, running);
        QFETCH(bool, strict);
        QFETCH(QString, status);
        QFETCH(QString, primary);

        QCOMPARE(focusStatusLine(running, strict), status);
        QCOMPARE(focusPrimaryActionTitle(running, strict), primary);
    }

    void protectionCountsArePlainIntegers_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("apps");
        QTest::addColumn<QString>("sites");

        QTest::newRow("none") << 0 << "0 apps"
                              << "0 sites";
        QTest::newRow("one is still plural") << 1 << "1 apps"
                                             << "1 sites";
        QTest::newRow("three") << 3 << "3 apps"
                               << "3 sites";
        QTest::newRow("no grouping") << 1200 << "1200 apps"
                                     << "1200 sites";
    }

    void protectionCountsArePlainIntegers() {
        QFETCH(int, count);
        QFETCH(QString, apps);
        QFETCH(QString, sites);

        QCOMPARE(blockedAppsValue(count), apps);
        QCOMPARE(blockedSitesValue(count), sites);
    }

    void protectionSwitchesReadAsWords() {
        QCOMPARE(shortFormValue(true), QStringLiteral("Blocked"));
        QCOMPARE(shortFormValue(false), QStringLiteral("Allowed"));
        QCOMPARE(adultFilterValue(true), QStringLiteral("Active 24/7"));
        QCOMPARE(adultFilterValue(false), QStringLiteral("Off"));
    }

    void onlyTheCurrentLengthsPillIsHighlighted() {
        QVERIFY(isCurrentDuration(1500, 1500));
        QVERIFY(!isCurrentDuration(1500, 2700));
        // A preset's length that no pill offers highlights none of them.
        int highlighted = 0;
        for (const QuickDuration& duration : quickDurations) {
            highlighted += isCurrentDuration(300, duration.seconds) ? 1 : 0;
        }
        QCOMPARE(highlighted, 0);
    }

    void volumeIsOfferedOnlyWithASound() {
        QVERIFY(!showsAmbientVolume(AmbientSoundType::Off));
        for (AmbientSoundType sound :
             {AmbientSoundType::Rain, AmbientSoundType::Lofi, AmbientSoundType::Zen}) {
            QVERIFY(showsAmbientVolume(sound));
        }
    }

    void transparencyPercentIsTruncatedInDoubles_data() {
        QTest::addColumn<double>("transparency");
        QTest::addColumn<QString>("label");

        QTest::newRow("0.35") << 0.35 << "Glass Transparency (35%)";
        // 0.29 × 100 and 0.57 × 100 fall just short of the whole number in doubles.
        QTest::newRow("0.29") << 0.29 << "Glass Transparency (28%)";
        QTest::newRow("0.57") << 0.57 << "Glass Transparency (56%)";
        QTest::newRow("lowest") << 0.05 << "Glass Transparency (5%)";
        QTest::newRow("highest") << 0.85 << "Glass Transparency (85%)";
        QTest::newRow("never rounds up") << 0.999 << "Glass Transparency (99%)";
        QTest::newRow("zero") << 0.0 << "Glass Transparency (0%)";
        QTest::newRow("tiny negative") << -0.001 << "Glass Transparency (0%)";
    }

    void transparencyPercentIsTruncatedInDoubles() {
        QFETCH(double, transparency);
        QFETCH(QString, label);

        QCOMPARE(glassTransparencyLabel(transparency), label);
    }

    void dailyLimitShowsOneDecimal_data() {
        QTest::addColumn<double>("hours");
        QTest::addColumn<QString>("label");

        QTest::newRow("half step") << 1.5 << "Daily Limit: 1.5 hours";
        QTest::newRow("whole") << 4.0 << "Daily Limit: 4.0 hours";
        QTest::newRow("lowest") << 1.0 << "Daily Limit: 1.0 hours";
        QTest::newRow("highest") << 6.0 << "Daily Limit: 6.0 hours";
    }

    void dailyLimitShowsOneDecimal() {
        QFETCH(double, hours);
        QFETCH(QString, label);

        QCOMPARE(dailyLimitLabel(hours), label);
    }

    void awayThresholdReadsInWholeMinutes() {
        QCOMPARE(awayAfterText(1), QStringLiteral("1 minute"));
        QCOMPARE(awayAfterText(5), QStringLiteral("5 minutes"));
        QCOMPARE(awayAfterText(60), QStringLiteral("60 minutes"));
    }

    void usageModeExplanationNamesWhatIsCounted() {
        QCOMPARE(usageModeExplanation(ScreenTimeTrackingMode::AllApps),
                 QStringLiteral("Counts total active time across all apps."));
        QCOMPARE(usageModeExplanation(ScreenTimeTrackingMode::BlockedAppsOnly),
                 QStringLiteral("Counts only time spent in apps on your Blocked Apps list."));
    }
};

QTEST_GUILESS_MAIN(TestFocusSettingsFormats)
#include "tst_screenformats_focus_settings.moc"
