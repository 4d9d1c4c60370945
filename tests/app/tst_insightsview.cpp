// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ScreenHarness.h"

#include <QtQml/qqmlextensionplugin.h>
#include <QQmlContext>
#include <QQmlExpression>

Q_IMPORT_QML_PLUGIN(QuorelPlugin)

using namespace Quorel;

namespace {

const QString today = QStringLiteral("2026-12-6");

// The week's bars, oldest on the left.
QList<QQuickItem*> bars(QQuickItem* root) {
    QList<QQuickItem*> found;
    for (QQuickItem* item : allItems(root)) {
        if (item->objectName() == QStringLiteral("bar") && item->isVisible()) {
            found.append(item);
        }
    }
    std::sort(found.begin(), found.end(), [root](QQuickItem* a, QQuickItem* b) {
        return a->mapToItem(root, QPointF()).x() < b->mapToItem(root, QPointF()).x();
    });
    return found;
}

QColor colorOf(QQuickItem* item) {
    return item->property("color").value<QColor>();
}

}  // namespace

// The real Insights screen, loaded offscreen against a manager on fakes.
class TestInsightsView : public ScreenTest {
    Q_OBJECT

public:
    TestInsightsView() : ScreenTest(QStringLiteral("InsightsView.qml")) {}

private slots:

    void freshInstallShowsZeroFiguresAndStubBars() {
        for (const char* text :
             {"All Apps Usage Time", "0.0h", "Goal: 3.0h", "0m", "0 sessions today", "1 day",
              "Under daily limit", "No usage recorded yet for this mode today."}) {
            QVERIFY2(m->shows(QString::fromUtf8(text)), text);
        }
        const QList<QQuickItem*> week = bars(m->view->rootObject());
        QCOMPARE(week.size(), 7);
        for (QQuickItem* bar : week) {
            QCOMPARE(bar->height(), 8.0);
            QCOMPARE(colorOf(bar), m->themeColor("accent"));
        }
        // Seven weekdays, ending with today (a Sunday).
        QVERIFY(m->shows(QStringLiteral("Sun")));
        QVERIFY(m->shows(QStringLiteral("Mon")));
        m->screenshot(QStringLiteral("insights-fresh"));
    }

    void blockedAppsModeCountsOnlyBlockedTime() {
        m->manager->setTrackedAppSeconds({{QStringLiteral("XTerm"), 5400}});
        QVERIFY(m->shows(QStringLiteral("1.5h")));

        m->manager->setScreenTimeMode(ScreenTimeTrackingMode::BlockedAppsOnly);

        QVERIFY(m->shows(QStringLiteral("Blocked App Usage Time")));
        QVERIFY(!m->shows(QStringLiteral("All Apps Usage Time")));
        QVERIFY(m->shows(QStringLiteral("0.0h")));
        QVERIFY(m->shows(QStringLiteral("No usage recorded yet for this mode today.")));
    }

    void goalSliderWritesTheGoalAndRecoloursTheBars() {
        m->manager->setDailySecondsByDate({{today, 9000}});  // 2.5 h
        QQuickItem* todayBar = bars(m->view->rootObject()).value(6);
        QVERIFY(todayBar != nullptr);
        QCOMPARE(colorOf(todayBar), m->themeColor("accent"));
        QTRY_COMPARE(todayBar->height(), 75.0);  // 120 × 2.5 / 4
        QVERIFY(m->shows(QStringLiteral("2.5h")));

        QQuickItem* slider = m->item(QStringLiteral("Daily Goal"), QAccessible::Slider);
        QVERIFY(slider != nullptr);
        slider->forceActiveFocus();
        QTest::keyClick(m->view.get(), Qt::Key_Left);
        QTest::keyClick(m->view.get(), Qt::Key_Left);

        QCOMPARE(m->manager->dailyGoalHours(), 2.0);
        QVERIFY(m->shows(QStringLiteral("Goal: 2.0h")));
        QCOMPARE(colorOf(todayBar), m->themeColor("red"));
        m->screenshot(QStringLiteral("insights-over-goal"));

        // Dragging to the far end writes the top of the range.
        const QRectF track = sceneRect(slider);
        QTest::mousePress(m->view.get(), Qt::LeftButton, {},
                          QPoint(int(track.left() + 20), int(track.center().y())));
        QTest::mouseMove(m->view.get(), QPoint(int(track.right() + 30), int(track.center().y())));
        QTest::mouseRelease(m->view.get(), Qt::LeftButton, {},
                            QPoint(int(track.right() + 30), int(track.center().y())));
        QCOMPARE(m->manager->dailyGoalHours(), 6.0);
        QTRY_COMPARE(todayBar->height(), 50.0);  // 120 × 2.5 / 6
        QCOMPARE(colorOf(todayBar), m->themeColor("accent"));
    }

    void topAppsListMinutesAndHourBars() {
        m->manager->setTrackedAppSeconds(
            {{QStringLiteral("XTerm"), 7200}, {QStringLiteral("Chromium Web Browser"), 3}});

        QVERIFY(!m->shows(QStringLiteral("No usage recorded yet for this mode today.")));
        QVERIFY(m->shows(QStringLiteral("120m")));
        QVERIFY(m->shows(QStringLiteral("1m")));
        QQuickItem* full = m->item(QStringLiteral("XTerm"), QAccessible::ProgressBar);
        QQuickItem* nearlyEmpty =
            m->item(QStringLiteral("Chromium Web Browser"), QAccessible::ProgressBar);
        QVERIFY(full != nullptr);
        QVERIFY(nearlyEmpty != nullptr);
        QCOMPARE(full->property("value").toDouble(), 1.0);
        QVERIFY(nearlyEmpty->property("value").toDouble() < 0.01);
        // Layouts settle on the next frame.
        QTRY_VERIFY(sceneRect(full).top() < sceneRect(nearlyEmpty).top());
        m->screenshot(QStringLiteral("insights-top-apps"));
        m->manager->setGlassEnabled(false);
        m->screenshot(QStringLiteral("insights-plain"));
    }

    void panelsStackInTheNarrowestColumnAndShareTheRowWhenWide() {
        QQuickItem* weekly = m->item(QStringLiteral("Weekly Screen Time (hrs)"));
        QQuickItem* apps = m->item(QStringLiteral("Top Apps Today (Live)"));
        QVERIFY(weekly != nullptr);
        QVERIFY(apps != nullptr);
        QVERIFY(sceneRect(apps).top() > sceneRect(weekly).bottom());
        for (QQuickItem* bar : bars(m->view->rootObject())) {
            QVERIFY(sceneRect(bar).right() <= m->view->width() - 24 - 18);
        }

        // A busy week moves the bars, not the panel below them.
        const qreal appsTop = sceneRect(apps).top();
        m->manager->setDailySecondsByDate({{QStringLiteral("2026-11-30"), 37800},
                                           {QStringLiteral("2026-12-1"), 2700},
                                           {QStringLiteral("2026-12-2"), 10800},
                                           {QStringLiteral("2026-12-4"), 16200},
                                           {QStringLiteral("2026-12-5"), 3599},
                                           {today, 5400}});
        m->manager->setTrackedAppSeconds({{QStringLiteral("Chromium Web Browser"), 3000},
                                          {QStringLiteral("XTerm"), 1800},
                                          {QStringLiteral("Files"), 300},
                                          {QStringLiteral("Text Editor"), 119}});
        QTRY_COMPARE(bars(m->view->rootObject()).first()->height(), 120.0);
        QCOMPARE(sceneRect(apps).top(), appsTop);
        m->screenshot(QStringLiteral("insights-busy-week"));

        m->view->resize(1000, 640);
        QTRY_COMPARE(sceneRect(apps).top(), sceneRect(weekly).top());
        QVERIFY(sceneRect(apps).left() > m->view->width() / 2);
        const QList<QQuickItem*> week = bars(m->view->rootObject());
        QVERIFY(sceneRect(week.last()).right() < sceneRect(apps).left());
        m->screenshot(QStringLiteral("insights-wide"));
    }
};

QTEST_MAIN(TestInsightsView)
#include "tst_insightsview.moc"
