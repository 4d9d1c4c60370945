// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "FakeLoginStart.h"
#include "LoginStartModel.h"
#include "ScreenHarness.h"

#include <QtQml/qqmlextensionplugin.h>
#include <QGuiApplication>
#include <QScopeGuard>

Q_IMPORT_QML_PLUGIN(QuorelPlugin)

using namespace Quorel;

// The real Settings screen, loaded offscreen against a manager on fakes.
class TestSettingsView : public ScreenTest {
    Q_OBJECT

public:
    TestSettingsView() : ScreenTest(QStringLiteral("SettingsView.qml")) {}

private slots:

    void sectionsInOrder() {
        qreal above = -1;
        for (const QString& title :
             {QStringLiteral("Appearance & Glass"), QStringLiteral("Screen Time Tracking"),
              QStringLiteral("Timer & Tray"), QStringLiteral("Websites"),
              QStringLiteral("Daily Screen Time Goal")}) {
            QQuickItem* header = m->item(title, QAccessible::Heading);
            QVERIFY2(header != nullptr, qPrintable(title));
            const qreal y = header->mapToScene(QPointF()).y();
            QVERIFY2(y > above, qPrintable(title));
            above = y;
        }
        m->screenshot(QStringLiteral("settings-glass"));
    }

    void transparencySliderGoesWithTheGlass() {
        QVERIFY(m->shows(QStringLiteral("Glass Transparency (35%)")));

        m->click(m->item(QStringLiteral("Glass Theme")));

        QVERIFY(!m->manager->glassEnabled());
        QVERIFY(!m->shows(QStringLiteral("Glass Transparency (35%)")));
        QVERIFY(m->shows(QStringLiteral("Color Theme")));
        m->screenshot(QStringLiteral("settings-plain"));
    }

    void transparencyLabelTruncatesThePercent() {
        m->manager->setGlassTransparency(0.29);
        QVERIFY(m->shows(QStringLiteral("Glass Transparency (28%)")));
    }

    void transparencySliderWritesTheSetting() {
        QQuickItem* slider = m->item(QStringLiteral("Glass Transparency (35%)"));
        QVERIFY(slider != nullptr);
        m->settle();
        const QPointF end = slider->mapToScene(QPointF(slider->width() - 1, slider->height() / 2));

        QTest::mouseClick(m->view.get(), Qt::LeftButton, {}, end.toPoint());

        QCOMPARE(m->manager->glassTransparency(), 0.85);
        QVERIFY(m->shows(QStringLiteral("Glass Transparency (85%)")));
    }

    void themePickerListsTheThemesAndWritesTheChoice() {
        QQuickItem* picker = m->item(QStringLiteral("Color Theme"));
        QVERIFY(picker != nullptr);
        QStringList titles;
        for (int i = 0; i < picker->property("count").toInt(); ++i) {
            QString title;
            QMetaObject::invokeMethod(picker, "textAt", Q_RETURN_ARG(QString, title),
                                      Q_ARG(int, i));
            titles.append(title);
        }
        QCOMPARE(titles,
                 (QStringList{QStringLiteral("Ocean Blue"), QStringLiteral("Aurora Violet"),
                              QStringLiteral("Emerald Mint"), QStringLiteral("Sunset Amber"),
                              QStringLiteral("Rose Quartz")}));

        picker->forceActiveFocus();
        QTest::keyClick(m->view.get(), Qt::Key_Down);
        QCOMPARE(m->manager->colorTheme(), AppColorTheme::Aurora);

        m->manager->setColorTheme(AppColorTheme::Ocean);
        QCOMPARE(picker->property("displayText").toString(), QStringLiteral("Ocean Blue"));
    }

    void themeChosenFromThePopUpMenu() {
        m->click(m->item(QStringLiteral("Color Theme")));
        QTRY_VERIFY(m->shows(QStringLiteral("Rose Quartz")));
        m->screenshot(QStringLiteral("settings-theme-menu"));

        m->click(m->item(QStringLiteral("Rose Quartz")));

        QCOMPARE(m->manager->colorTheme(), AppColorTheme::Rose);
    }

    void usageModeExplanationFollowsTheMode() {
        QCOMPARE(m->manager->screenTimeMode(), ScreenTimeTrackingMode::AllApps);
        QVERIFY(m->shows(QStringLiteral("Counts total active time across all apps.")));

        m->click(m->item(QStringLiteral("Blocked App Usage Time")));

        QCOMPARE(m->manager->screenTimeMode(), ScreenTimeTrackingMode::BlockedAppsOnly);
        QVERIFY(
            m->shows(QStringLiteral("Counts only time spent in apps on your Blocked Apps list.")));
        QVERIFY(!m->shows(QStringLiteral("Counts total active time across all apps.")));
    }

    void switchesWriteTheirSettings_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("field");

        QTest::newRow("auto break")
            << "Auto-start 5m break after focus" << QByteArray("autoStartBreak");
        QTest::newRow("tray countdown")
            << "Show live countdown in the system tray" << QByteArray("countdownInTray");
        QTest::newRow("unguarded browsers")
            << "Hide browsers Quorel can't guard" << QByteArray("hideUnguardedBrowsers");
    }

    void switchesWriteTheirSettings() {
        QFETCH(QString, name);
        QFETCH(QByteArray, field);
        const bool before = m->manager->property(field.constData()).toBool();
        QQuickItem* control = m->item(name);
        QVERIFY(control != nullptr);
        QCOMPARE(control->property("checked").toBool(), before);

        m->click(control);

        QCOMPARE(m->manager->property(field.constData()).toBool(), !before);
        QCOMPARE(control->property("checked").toBool(), !before);
    }

    // The switch shows what the desktop's entry says, writes it, and reads it again when Quorel
    // comes back to the front, as it does from the desktop's own settings.
    void loginStartSwitchFollowsTheDesktop() {
        FakeLoginStart desktop;
        LoginStartModel::setService(&desktop);
        const auto unset = qScopeGuard([] { LoginStartModel::setService(nullptr); });
        QVERIFY(m->load(QStringLiteral("SettingsView.qml")).isEmpty());
        QAccessibleInterface* control = m->find(QStringLiteral("Start Quorel at login"));
        QVERIFY(control != nullptr);
        QVERIFY(!control->state().checked);

        m->click(m->item(QStringLiteral("Start Quorel at login")));

        QVERIFY(desktop.enabled);
        QVERIFY(control->state().checked);
        // An answer to the first-run offer too.
        QVERIFY(m->manager->loginStartOffered());

        desktop.enabled = false;
        emit qGuiApp->applicationStateChanged(Qt::ApplicationActive);
        QVERIFY(!control->state().checked);
    }

    void refusedLoginStartSnapsBackAndSaysWhy() {
        FakeLoginStart desktop;
        desktop.refusal = QStringLiteral("Quorel can't write /x/autostart/quorel.desktop: denied.");
        LoginStartModel::setService(&desktop);
        const auto unset = qScopeGuard([] { LoginStartModel::setService(nullptr); });
        QVERIFY(m->load(QStringLiteral("SettingsView.qml")).isEmpty());
        QQuickItem* control = m->item(QStringLiteral("Start Quorel at login"));

        m->click(control);

        QCOMPARE(desktop.changes, 1);
        QCOMPARE(control->property("checked").toBool(), false);
        QCOMPARE(plainTextsShowing(m->view->rootObject(), desktop.refusal), 1);
        m->view->resize(595, 1000);
        QVERIFY(m->shows(desktop.refusal));
        QVERIFY(!m->manager->loginStartOffered());
        m->screenshot(QStringLiteral("settings-login-start-refused"));

        desktop.refusal.clear();
        m->click(control);
        QVERIFY(control->property("checked").toBool());
        QVERIFY(!m->shows(desktop.refusal));
    }

    void noLoginStartSwitchWithoutADesktopToAsk() {
        QVERIFY(m->item(QStringLiteral("Startup"), QAccessible::Heading) == nullptr ||
                !m->shows(QStringLiteral("Start Quorel at login")));
    }

    void awayThresholdStepsByMinutesWithinItsRange() {
        QQuickItem* box = m->item(QStringLiteral("Count as away after"), QAccessible::SpinBox);
        QVERIFY(box != nullptr);
        QVERIFY(box->isVisible());
        QCOMPARE(box->property("displayText").toString(), QStringLiteral("5 minutes"));
        QVERIFY(m->shows(QStringLiteral(
            "While the screen is locked, or after this long without keyboard or mouse input, no "
            "screen time is counted. A focus countdown keeps running.")));
        m->screenshot(QStringLiteral("settings-away"));

        box->forceActiveFocus();
        QTest::keyClick(m->view.get(), Qt::Key_Up);
        QCOMPARE(m->manager->awayAfterMinutes(), 6);
        QCOMPARE(box->property("displayText").toString(), QStringLiteral("6 minutes"));

        m->manager->setAwayAfterMinutes(1);  // the stepper follows the setting
        QCOMPARE(box->property("displayText").toString(), QStringLiteral("1 minute"));
        QTest::keyClick(m->view.get(), Qt::Key_Down);
        QCOMPARE(m->manager->awayAfterMinutes(), 1);

        m->manager->setAwayAfterMinutes(60);
        QTest::keyClick(m->view.get(), Qt::Key_Up);
        QCOMPARE(m->manager->awayAfterMinutes(), 60);
    }

    void dailyLimitSliderStepsByHalfHours() {
        m->manager->setDailyGoalHours(1.5);
        QQuickItem* slider = m->item(QStringLiteral("Daily Limit: 1.5 hours"));
        QVERIFY(slider != nullptr);

        slider->forceActiveFocus();
        QTest::keyClick(m->view.get(), Qt::Key_Right);

        QCOMPARE(m->manager->dailyGoalHours(), 2.0);
        QVERIFY(m->shows(QStringLiteral("Daily Limit: 2.0 hours")));
    }
};

QTEST_MAIN(TestSettingsView)
#include "tst_settingsview.moc"
