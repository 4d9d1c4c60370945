// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "DisplayFormat.h"
#include "IconRenderer.h"
#include "MainWindowFormat.h"
#include "TrayPresentation.h"

#include <QGuiApplication>
#include <QTest>

using namespace Quorel;

class TestTrayPresentation : public QObject {
    Q_OBJECT

private slots:
    void label_data() {
        QTest::addColumn<bool>("countdownInTray");
        QTest::addColumn<bool>("running");
        QTest::addColumn<bool>("strict");
        QTest::addColumn<QString>("icon");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("badge");

        QTest::newRow("idle") << true << false << false << "chronometer"
                              << "Quorel" << QString();
        QTest::newRow("idle, strict mode on") << true << false << true << "chronometer"
                                              << "Quorel" << QString();
        QTest::newRow("running") << true << true << false << "chronometer"
                                 << "44:59"
                                 << "45";
        QTest::newRow("strict running") << true << true << true << "changes-prevent"
                                        << "44:59"
                                        << "45";
        QTest::newRow("hidden countdown keeps the plain icon")
            << false << true << true << "chronometer"
            << "44:59" << QString();
    }

    void label() {
        QFETCH(bool, countdownInTray);
        QFETCH(bool, running);
        QFETCH(bool, strict);
        const TrayLabel label = trayLabel(countdownInTray, running, strict, 2699);

        QTEST(label.icon, "icon");
        QTEST(label.title, "title");
        QTEST(label.badge, "badge");
        QCOMPARE(label.showsTitle, countdownInTray);
        // What blocking cannot do here goes under the title, never in place of it.
        QCOMPARE(trayToolTip(label, {}), label.title);
        QCOMPARE(trayToolTip(label, QStringLiteral("Blocking apps is off.")),
                 label.title + QStringLiteral("\nBlocking apps is off."));
    }

    void redrawsOnlyWhenThePictureChanges_data() {
        QTest::addColumn<bool>("countdownInTray");
        QTest::addColumn<bool>("strict");
        QTest::addColumn<qint64>("remaining");
        QTest::addColumn<bool>("same");

        QTest::newRow("within a minute: tooltip only") << true << false << qint64(2699) << true;
        QTest::newRow("a minute boundary: redrawn") << true << true << qint64(2641) << false;
        QTest::newRow("the last minute: every second") << true << false << qint64(59) << false;
        QTest::newRow("countdown hidden: tooltip only") << false << true << qint64(59) << true;
    }

    void redrawsOnlyWhenThePictureChanges() {
        QFETCH(bool, countdownInTray);
        QFETCH(bool, strict);
        QFETCH(qint64, remaining);
        const TrayLabel before = trayLabel(countdownInTray, true, strict, remaining);
        const TrayLabel after = trayLabel(countdownInTray, true, strict, remaining - 1);

        QTEST(drawsTheSame(before, after), "same");
        QVERIFY(!(before == after));  // the tooltip follows every second
    }

    void compactCountdownFitsThreeCharacters_data() {
        QTest::addColumn<qint64>("remaining");
        QTest::addColumn<QString>("badge");
        QTest::newRow("a full preset") << qint64(2700) << "45";
        QTest::newRow("rounded up") << qint64(2641) << "45";
        QTest::newRow("one minute") << qint64(60) << "1";
        QTest::newRow("the last minute") << qint64(59) << "59s";
        QTest::newRow("zero") << qint64(0) << "0s";
        QTest::newRow("three hours") << qint64(10800) << "180";
    }
    void compactCountdownFitsThreeCharacters() {
        QFETCH(qint64, remaining);
        QTEST(formatRemainingCompact(remaining), "badge");
    }

    void iconIsSquareAndShowsTheBadgeOnlyWhenRunning() {
        const QFont font = QGuiApplication::font();
        const QImage idle =
            renderTrayIcon(trayLabel(true, false, false, 2700), 22, font, Qt::white);
        const QImage running =
            renderTrayIcon(trayLabel(true, true, false, 2700), 22, font, Qt::white);
        const QImage locked =
            renderTrayIcon(trayLabel(true, true, true, 2700), 22, font, Qt::white);
        const QImage longest =
            renderTrayIcon(trayLabel(true, true, false, 10800), 22, font, Qt::white);

        for (const QImage& image : {idle, running, locked, longest}) {
            QCOMPARE(image.size(), QSize(22, 22));
        }
        QVERIFY(idle != running);
        QVERIFY(running != locked);
        // "180" still fits: nothing drawn in the outermost columns.
        for (int y = 0; y < 22; ++y) {
            QCOMPARE(qAlpha(longest.pixel(0, y)), 0);
            QCOMPARE(qAlpha(longest.pixel(21, y)), 0);
        }
    }

    void iconsAreBuiltIn_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("exists");

        QTest::newRow("chronometer") << "chronometer" << true;
        QTest::newRow("changes-prevent") << "changes-prevent" << true;
        QTest::newRow("application") << "quorel" << true;
        for (const auto& [tab, title] : EnumCases<FocusTab>::all) {
            QTest::newRow(qPrintable(screenIconName(tab))) << screenIconName(tab) << true;
        }
        // Named by the views themselves.
        for (const char* name : {"edit-delete", "security-high", "sparkles"}) {
            QTest::newRow(name) << QString::fromLatin1(name) << true;
        }
        QTest::newRow("unknown") << "no-such-icon" << false;
    }

    void iconsAreBuiltIn() {
        QFETCH(QString, name);
        const QImage image = renderIcon(name, QSize(16, 16), Qt::red);

        QTEST(!image.isNull(), "exists");
        // Tinted: whatever the SVG's own colours, everything drawn is red.
        int drawn = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor pixel = image.pixelColor(x, y);
                if (pixel.alpha() > 0) {
                    ++drawn;
                    QCOMPARE(pixel.green(), 0);
                    QCOMPARE(pixel.blue(), 0);
                }
            }
        }
        QCOMPARE(drawn > 0, !image.isNull());
    }

    // The menu reads and locks as the control window does: its header, then the buttons, of
    // which nothing but "Open Quorel" acts during a strict countdown.
    void menuFollowsTheControlWindow_data() {
        QTest::addColumn<bool>("running");
        QTest::addColumn<bool>("onBreak");
        QTest::addColumn<bool>("strict");
        QTest::addColumn<QString>("header");
        QTest::addColumn<QString>("primary");
        QTest::addColumn<bool>("actionsEnabled");

        QTest::newRow("idle") << false << false << true << "Quorel Ready"
                              << "Start Focus" << true;
        QTest::newRow("relaxed run") << true << false << false << "Study Active"
                                     << "Pause" << true;
        QTest::newRow("strict run") << true << false << true << "Study Active"
                                    << "Locked" << false;
        QTest::newRow("break") << true << true << false << "Break Time"
                               << "Pause" << true;
    }

    void menuFollowsTheControlWindow() {
        QFETCH(bool, running);
        QFETCH(bool, onBreak);
        QFETCH(bool, strict);
        QFETCH(QString, header);
        QFETCH(QString, primary);
        QFETCH(bool, actionsEnabled);
        const QList<TrayMenuItem> menu = trayMenu(running, onBreak, strict, FocusPreset::Study);

        const QList<TrayMenuItem> expected{
            {TrayAction::None, header, false},
            {TrayAction::StartPause, primary, actionsEnabled},
            {TrayAction::Reset, QStringLiteral("Reset"), actionsEnabled},
            {TrayAction::None, QString(), false},
            {TrayAction::OpenWindow, QStringLiteral("Open Quorel"), true},
            {TrayAction::Quit, QStringLiteral("Quit"), actionsEnabled},
        };
        QCOMPARE(menu, expected);
    }

    void controlWindowPosition_data() {
        QTest::addColumn<QRect>("anchor");
        QTest::addColumn<QPoint>("cursor");
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<QPoint>("position");

        const QRect screen(0, 0, 1280, 800);
        const QPoint nowhere(-1, -1);
        QTest::newRow("top panel: below the icon")
            << QRect(600, 0, 24, 24) << nowhere << screen << QPoint(476, 28);
        QTest::newRow("bottom panel: above the icon")
            << QRect(600, 776, 24, 24) << nowhere << screen << QPoint(476, 352);
        QTest::newRow("right edge: kept on screen")
            << QRect(1250, 0, 24, 24) << nowhere << screen << QPoint(1010, 28);
        QTest::newRow("left edge: kept on screen")
            << QRect(0, 0, 24, 24) << nowhere << screen << QPoint(0, 28);
        QTest::newRow("no icon geometry: at the cursor")
            << QRect() << QPoint(640, 10) << screen << QPoint(505, 15);
        QTest::newRow("no icon geometry, cursor in a corner")
            << QRect() << QPoint(1279, 799) << screen << QPoint(1010, 375);
        QTest::newRow("second screen")
            << QRect(3170, 0, 24, 24) << nowhere << QRect(1280, 0, 1920, 1080) << QPoint(2930, 28);
        QTest::newRow("screen smaller than the window: top-left inside")
            << QRect(100, 280, 20, 20) << nowhere << QRect(0, 0, 300, 300) << QPoint(0, 0);
    }

    void controlWindowPosition() {
        QFETCH(QRect, anchor);
        QFETCH(QPoint, cursor);
        QFETCH(QRect, screen);

        QTEST(Quorel::controlWindowPosition(anchor, cursor, QSize(270, 420), screen), "position");
    }
};

QTEST_MAIN(TestTrayPresentation)
#include "tst_traypresentation.moc"
