// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ScreenHarness.h"

#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(QuorelPlugin)

using namespace Quorel;

namespace {

// The schedule switches on screen, top to bottom, by their titles.
QStringList switchTitles(QQuickItem* root) {
    QStringList titles;
    QList<QQuickItem*> switches;
    for (QQuickItem* item : allItems(root)) {
        if (item->inherits("QQuickSwitch") && item->isVisible()) {
            switches.append(item);
        }
    }
    std::sort(switches.begin(), switches.end(), [root](QQuickItem* a, QQuickItem* b) {
        return a->mapToItem(root, QPointF()).y() < b->mapToItem(root, QPointF()).y();
    });
    for (QQuickItem* item : switches) {
        titles.append(item->property("text").toString());
    }
    return titles;
}

// QTest types strings into widgets only.
void type(QWindow* window, const char* text) {
    for (const char* c = text; *c != 0; ++c) {
        QTest::keyClick(window, *c);
    }
}

// An open pop-up's entry: pop-ups live in the window's overlay, outside the view's tree.
QQuickItem* popupEntry(QQuickWindow* window, const QString& text) {
    for (QQuickItem* item : allItems(window->contentItem())) {
        if (item->inherits("QQuickItemDelegate") && item->isVisible() &&
            item->property("text").toString() == text) {
            return item;
        }
    }
    return nullptr;
}

}  // namespace

// The real Schedules screen, loaded offscreen against a manager on fakes.
class TestSchedulesView : public ScreenTest {
    Q_OBJECT

public:
    TestSchedulesView() : ScreenTest(QStringLiteral("SchedulesView.qml")) {}

private slots:

    void listsTheSchedulesWithTheirWindows() {
        QCOMPARE(switchTitles(m->view->rootObject()),
                 (QStringList{QStringLiteral("Morning Deep Work"),
                              QStringLiteral("Bedtime Wind Down")}));
        QAccessibleInterface* evening = m->find(QStringLiteral("Bedtime Wind Down"));
        QVERIFY(evening != nullptr);
        QCOMPARE(evening->text(QAccessible::Description),
                 QStringLiteral("22:30 \u2013 23:30 \u2022 Wind Down"));
        m->screenshot(QStringLiteral("schedules-default"));
        m->manager->setGlassEnabled(false);
        m->screenshot(QStringLiteral("schedules-plain"));
    }

    void emptyListShowsOnlyTheHeading() {
        m->manager->setSchedules({});

        QVERIFY(switchTitles(m->view->rootObject()).isEmpty());
        QVERIFY(m->shows(QStringLiteral("Active Schedules")));
    }

    void blankLabelAddsAPresetBlockOnTop() {
        QQuickItem* preset = m->item(QStringLiteral("Preset"), QAccessible::ComboBox);
        QVERIFY(preset != nullptr);
        preset->forceActiveFocus();
        QTest::keyClick(m->view.get(), Qt::Key_Down);
        QCOMPARE(m->windowState().newSchedulePreset(), FocusPreset::Study);

        QQuickItem* label = m->item(QStringLiteral("Label (e.g. Morning Deep Work)"));
        QVERIFY(label != nullptr);
        label->forceActiveFocus();
        type(m->view.get(), "   ");
        QCOMPARE(m->windowState().newScheduleTitle(), QStringLiteral("   "));

        m->click(m->item(QStringLiteral("Add"), QAccessible::Button));

        QCOMPARE(switchTitles(m->view->rootObject()).value(0), QStringLiteral("Study Block"));
        QCOMPARE(m->manager->schedules().first().preset, FocusPreset::Study);
        QVERIFY(m->manager->schedules().first().isEnabled);
        QCOMPARE(label->property("text").toString(), QString());
        QCOMPARE(preset->property("currentText").toString(), QStringLiteral("Study"));
        // The picker keeps following the manager after the user has picked.
        m->windowState().setNewSchedulePreset(FocusPreset::WindDown);
        QCOMPARE(preset->property("currentText").toString(), QStringLiteral("Wind Down"));
    }

    void rowSwitchWritesItsScheduleAndSaves() {
        QQuickItem* morning = m->item(QStringLiteral("Morning Deep Work"), QAccessible::CheckBox);
        QVERIFY(morning != nullptr);
        const int writesBefore = m->desktop.preferences.writes;

        m->click(morning);

        QVERIFY(m->manager->schedules().at(0).isEnabled);
        QVERIFY(!m->manager->schedules().at(1).isEnabled);
        QVERIFY(m->desktop.preferences.writes > writesBefore);
        // The row was updated, not rebuilt: the switch keeps the keyboard focus.
        QCOMPARE(m->item(QStringLiteral("Morning Deep Work"), QAccessible::CheckBox), morning);
        QVERIFY(morning->property("checked").toBool());

        QTest::keyClick(m->view.get(), Qt::Key_Space);
        QVERIFY(!m->manager->schedules().at(0).isEnabled);
    }

    void trashButtonRemovesItsRowAtOnce() {
        m->click(m->item(QStringLiteral("Delete Bedtime Wind Down"), QAccessible::Button));

        QCOMPARE(m->manager->schedules().size(), 1);
        QCOMPARE(switchTitles(m->view->rootObject()),
                 QStringList{QStringLiteral("Morning Deep Work")});
        QCOMPARE(m->find(QStringLiteral("Delete Bedtime Wind Down")), nullptr);
    }

    void timePickersShowAndWriteTheFormTimes() {
        QQuickItem* startHour = m->item(QStringLiteral("Start hour"));
        QQuickItem* endMinute = m->item(QStringLiteral("End minute"));
        QVERIFY(startHour != nullptr);
        QVERIFY(endMinute != nullptr);
        // The form opens on 09:00 to 12:00.
        QCOMPARE(startHour->property("displayText").toString(), QStringLiteral("09"));
        QCOMPARE(m->item(QStringLiteral("End hour"))->property("displayText").toString(),
                 QStringLiteral("12"));

        startHour->forceActiveFocus();
        QTest::keyClick(m->view.get(), Qt::Key_Up);
        QCOMPARE(m->windowState().newScheduleStart(), QTime(10, 0));

        // Hours wrap rather than stop.
        m->windowState().setNewScheduleStart(QTime(23, 15));
        QCOMPARE(startHour->property("displayText").toString(), QStringLiteral("23"));
        QTest::keyClick(m->view.get(), Qt::Key_Up);
        QCOMPARE(m->windowState().newScheduleStart(), QTime(0, 15));

        endMinute->forceActiveFocus();
        type(m->view.get(), "45");
        QTest::keyClick(m->view.get(), Qt::Key_Tab);
        QCOMPARE(m->windowState().newScheduleEnd(), QTime(12, 45));

        m->windowState().setNewScheduleEnd(QTime(7, 5));
        QCOMPARE(endMinute->property("displayText").toString(), QStringLiteral("05"));
        m->click(m->item(QStringLiteral("Add"), QAccessible::Button));
        QCOMPARE(
            m->find(switchTitles(m->view->rootObject()).value(0))->text(QAccessible::Description),
            QStringLiteral("00:15 \u2013 07:05 \u2022 Deep Work"));
    }

    void formWrapsInTheNarrowestColumnAndFitsOneLineWhenWide() {
        QQuickItem* label = m->item(QStringLiteral("Label (e.g. Morning Deep Work)"));
        QQuickItem* add = m->item(QStringLiteral("Add"), QAccessible::Button);
        QVERIFY(label != nullptr);
        QVERIFY(add != nullptr);
        const qreal contentRight = m->view->width() - 24 - 18;
        QVERIFY(sceneRect(add).right() <= contentRight);
        QVERIFY(sceneRect(label).right() <= contentRight);
        QVERIFY(sceneRect(add).top() > sceneRect(label).bottom());

        m->view->resize(1000, 640);
        QTRY_VERIFY(qAbs(sceneRect(add).center().y() - sceneRect(label).center().y()) < 1);
        QVERIFY(sceneRect(add).right() <= m->view->width() - 24 - 18);
        m->screenshot(QStringLiteral("schedules-wide"));
    }

    void longTitlesWrapBesideTheirSwitches() {
        const QString longTitle =
            QStringLiteral("Quarterly planning and the long review of everything left over");
        QList<FocusSchedule> schedules;
        for (int i = 0; i < 6; ++i) {
            schedules.append(FocusSchedule{QUuid::createUuid(),
                                           i == 0 ? longTitle : QStringLiteral("Block %1").arg(i),
                                           FocusPreset::Study, 8 + i, 0, 9 + i, 30, i % 2 == 0});
        }
        m->manager->setSchedules(schedules);

        QQuickItem* row = m->item(longTitle, QAccessible::CheckBox);
        QQuickItem* trash = m->item(QStringLiteral("Delete ") + longTitle, QAccessible::Button);
        QVERIFY(row != nullptr);
        QVERIFY(trash != nullptr);
        QTRY_VERIFY(sceneRect(row).right() <= sceneRect(trash).left());
        QVERIFY(sceneRect(trash).right() <= m->view->width() - 24 - 18);
        // Tabbing to the last row scrolls it into view.
        QQuickItem* last = m->item(QStringLiteral("Delete Block 5"), QAccessible::Button);
        QVERIFY(last != nullptr);
        last->forceActiveFocus(Qt::TabFocusReason);
        QTRY_VERIFY(sceneRect(last).bottom() <= m->view->height());
        m->screenshot(QStringLiteral("schedules-many"));
    }

    void presetPopupListsThePresetsInOrderAndPicksByMouse() {
        m->item(QStringLiteral("Start minute"))->forceActiveFocus(Qt::TabFocusReason);
        m->screenshot(QStringLiteral("schedules-picker-focus"));
        m->click(m->item(QStringLiteral("Preset"), QAccessible::ComboBox));

        QTRY_VERIFY(popupEntry(m->view.get(), QStringLiteral("Wind Down")) != nullptr);
        qreal above = -1;
        for (const QString& name :
             {QStringLiteral("Deep Work"), QStringLiteral("Study"), QStringLiteral("Wind Down")}) {
            QQuickItem* entry = popupEntry(m->view.get(), name);
            QVERIFY2(entry != nullptr, qPrintable(name));
            QVERIFY2(sceneRect(entry).top() > above, qPrintable(name));
            above = sceneRect(entry).top();
        }
        m->screenshot(QStringLiteral("schedules-preset-popup"));
        m->click(popupEntry(m->view.get(), QStringLiteral("Wind Down")));

        QCOMPARE(m->windowState().newSchedulePreset(), FocusPreset::WindDown);
    }
};

QTEST_MAIN(TestSchedulesView)
#include "tst_schedulesview.moc"
