// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "FakeLoginStart.h"
#include "LoginStartModel.h"
#include "ScreenHarness.h"

#include <QtQml/qqmlextensionplugin.h>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlExpression>
#include <QScopeGuard>

Q_IMPORT_QML_PLUGIN(QuorelPlugin)

using namespace Quorel;

namespace {

const QStringList pillNames{QStringLiteral("25m"), QStringLiteral("45m"), QStringLiteral("60m"),
                            QStringLiteral("15s Demo")};

}  // namespace

// The real Focus screen, loaded offscreen against a manager on fakes.
class TestFocusView : public ScreenTest {
    Q_OBJECT

public:
    TestFocusView() : ScreenTest(QStringLiteral("FocusView.qml")) {}

private slots:
    // A new install is offered starting at login once; either answer ends the offer, and only
    // "Turn On" touches the desktop.
    void loginStartIsOfferedOnceToANewInstall_data() {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("turn on") << "Turn On" << true;
        QTest::newRow("not now") << "Not Now" << false;
    }

    void loginStartIsOfferedOnceToANewInstall() {
        QFETCH(QString, answer);
        QFETCH(bool, enabled);
        FakeLoginStart desktop;
        LoginStartModel::setService(&desktop);
        const auto unset = qScopeGuard([] { LoginStartModel::setService(nullptr); });
        QVERIFY(m->load(QStringLiteral("FocusView.qml")).isEmpty());
        QVERIFY(m->shows(QStringLiteral("Start Quorel at login?")));
        m->screenshot(QStringLiteral("focus-login-offer"));

        m->click(m->item(answer));

        QCOMPARE(desktop.enabled, enabled);
        QCOMPARE(desktop.changes, enabled ? 1 : 0);
        QVERIFY(m->manager->loginStartOffered());
        QVERIFY(!m->shows(QStringLiteral("Start Quorel at login?")));
        QVERIFY(
            decodePersistedState(m->desktop.savedDocument())->loginStartOffered.value_or(false));
    }

    // Not offered to anyone already asked, to a desktop that starts Quorel already, nor where
    // there is no desktop to ask; a refusal keeps the offer up with the reason.
    void loginStartOfferOnlyWhereItMeansSomething() {
        FakeLoginStart desktop;
        desktop.enabled = true;
        LoginStartModel::setService(&desktop);
        const auto unset = qScopeGuard([] { LoginStartModel::setService(nullptr); });
        QVERIFY(m->load(QStringLiteral("FocusView.qml")).isEmpty());
        QVERIFY(!m->shows(QStringLiteral("Start Quorel at login?")));

        desktop.enabled = false;
        desktop.refusal = QStringLiteral("Quorel can't write the autostart entry.");
        QVERIFY(m->load(QStringLiteral("FocusView.qml")).isEmpty());
        m->click(m->item(QStringLiteral("Turn On")));
        QVERIFY(m->shows(QStringLiteral("Start Quorel at login?")));
        QVERIFY(m->shows(desktop.refusal));
        QVERIFY(!m->manager->loginStartOffered());

        m->manager->markLoginStartOffered();
        QVERIFY(!m->shows(QStringLiteral("Start Quorel at login?")));

        LoginStartModel::setService(nullptr);
        auto fresh = std::make_unique<ScreenHarness>();
        QVERIFY(fresh->load(QStringLiteral("FocusView.qml")).isEmpty());
        QVERIFY(!fresh->manager->loginStartOffered());
        QVERIFY(!fresh->shows(QStringLiteral("Start Quorel at login?")));
    }

    void freshRingShowsItsValueAndOnlyChangesEase_data() {
        QTest::addColumn<QByteArray>("ring");
        QTest::addColumn<double>("progress");

        QTest::newRow("Focus screen's ring, full") << QByteArray("ProgressRing") << 1.0;
        QTest::newRow("Focus screen's ring, part way") << QByteArray("ProgressRing") << 0.4;
        QTest::newRow("control window's ring") << QByteArray("CountdownRing") << 0.75;
    }

    void freshRingShowsItsValueAndOnlyChangesEase() {
        QFETCH(QByteArray, ring);
        QFETCH(double, progress);
        // Sized from the start, as a ring is when its screen opens in a laid-out window.
        QQmlComponent component(m->engine.get());
        component.setData("import Quorel\n" + ring + " { width: 200; height: 200; progress: " +
                              QByteArray::number(progress) + " }",
                          QUrl());
        std::unique_ptr<QObject> created(component.create());
        QVERIFY2(created != nullptr, qPrintable(component.errorString()));
        auto* item = qobject_cast<QQuickItem*>(created.get());
        item->setParentItem(m->view->contentItem());
        QObject* arc = item;
        for (QQuickItem* child : allItems(item)) {
            if (child->property("shownProgress").isValid()) {
                arc = child;
            }
        }
        QVERIFY(arc->property("shownProgress").isValid());

        QSignalSpy moved(arc, SIGNAL(shownProgressChanged()));
        QCOMPARE(arc->property("shownProgress").toDouble(), progress);
        QVERIFY(!moved.wait(500));

        item->setProperty("progress", 0.1);
        QVERIFY(arc->property("shownProgress").toDouble() > 0.1);
        QTRY_COMPARE(arc->property("shownProgress").toDouble(), 0.1);
    }

    void idleStudyLengthHighlightsItsPill() {
        m->manager->setSelectedPreset(FocusPreset::Study);
        QCOMPARE(m->manager->totalSeconds(), 1500);

        for (const QString& name : pillNames) {
            QQuickItem* pill = m->item(name);
            QVERIFY2(pill != nullptr, qPrintable(name));
            QVERIFY2(pill->isEnabled(), qPrintable(name));
            const QColor expected = name == QStringLiteral("25m") ? m->themeColor("accent")
                                                                  : m->themeColor("secondaryText");
            QCOMPARE(pill->property("tint").value<QColor>(), expected);
        }
        QVERIFY(m->shows(QStringLiteral("Ready")));
        QAccessibleInterface* primary = m->find(QStringLiteral("Start Focus"));
        QVERIFY(primary != nullptr);
        QVERIFY(!primary->state().disabled);
        m->screenshot(QStringLiteral("focus-idle"));
    }

    void demoPillWhileIdleSetsAFifteenSecondSession() {
        m->manager->setIsBreak(true);
        const int writesBefore = m->desktop.preferences.writes;

        m->click(m->item(QStringLiteral("15s Demo")));

        QCOMPARE(m->manager->totalSeconds(), 15);
        QCOMPARE(m->manager->remainingSeconds(), 15);
        QVERIFY(!m->manager->isBreak());
        QVERIFY(m->desktop.preferences.writes > writesBefore);
        // The preset picker keeps the last preset chosen.
        QCOMPARE(m->manager->selectedPreset(), FocusPreset::DeepWork);
        QCOMPARE(m->item(QStringLiteral("15s Demo"))->property("tint").value<QColor>(),
                 m->themeColor("accent"));
    }

    void presetPickerWritesThePresetByMouseAndKeyboard() {
        m->manager->setStrictMode(false);
        m->click(m->item(QStringLiteral("Study")));
        QCOMPARE(m->manager->selectedPreset(), FocusPreset::Study);

        QQuickItem* picker = m->item(QStringLiteral("Preset"));
        QVERIFY(picker != nullptr);
        picker->forceActiveFocus();
        QTest::keyClick(m->view.get(), Qt::Key_Right);
        QCOMPARE(m->manager->selectedPreset(), FocusPreset::WindDown);
        // Past the last segment nothing is chosen again.
        QTest::keyClick(m->view.get(), Qt::Key_Right);
        QCOMPARE(m->manager->selectedPreset(), FocusPreset::WindDown);
        QTest::keyClick(m->view.get(), Qt::Key_Home);
        QCOMPARE(m->manager->selectedPreset(), FocusPreset::DeepWork);
    }

    void runningWithoutStrictLocksOnlyTheLength() {
        m->manager->setStrictMode(false);
        m->manager->toggleStartPause();

        for (const QString& name :
             pillNames + QStringList{QStringLiteral("Deep Work"), QStringLiteral("Study"),
                                     QStringLiteral("Wind Down")}) {
            QQuickItem* control = m->item(name);
            QVERIFY2(control != nullptr, qPrintable(name));
            QVERIFY2(!control->isEnabled(), qPrintable(name));
        }
        // A click on a disabled pill changes nothing.
        m->click(m->item(QStringLiteral("15s Demo")));
        QCOMPARE(m->manager->totalSeconds(), 2700);

        QQuickItem* primary = m->item(QStringLiteral("Pause"));
        QVERIFY(primary != nullptr);
        QVERIFY(primary->isEnabled());
        QVERIFY(m->item(QStringLiteral("Reset"))->isEnabled());
        QVERIFY(m->item(QStringLiteral("Strict Mode"))->isEnabled());
        QVERIFY(m->shows(QStringLiteral("Blocking active")));
    }

    void strictRunLocksEveryTimerControl() {
        m->manager->setStrictMode(true);
        m->manager->toggleStartPause();

        // As a screen reader hears them: disabled, and a press does nothing.
        for (const QString& name : {QStringLiteral("Strict Locked"), QStringLiteral("Reset"),
                                    QStringLiteral("Strict Mode")}) {
            QAccessibleInterface* control = m->find(name);
            QVERIFY2(control != nullptr, qPrintable(name));
            QVERIFY2(control->state().disabled, qPrintable(name));
            control->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        }
        QVERIFY(m->manager->isRunning());
        QVERIFY(m->manager->strictMode());
        QVERIFY(m->shows(QStringLiteral("Locked until done")));
        m->click(m->item(QStringLiteral("Strict Mode")));
        QVERIFY(m->manager->strictMode());
        m->screenshot(QStringLiteral("focus-strict"));
    }

    void strictModeCanBeSwitchedOnMidSession() {
        m->manager->setStrictMode(false);
        m->manager->toggleStartPause();

        m->click(m->item(QStringLiteral("Strict Mode")));

        QVERIFY(m->manager->strictMode());
        QVERIFY(m->item(QStringLiteral("Strict Locked")) != nullptr);
    }

    void breakShowsTheTipCardAndNextTipMovesOn() {
        QVERIFY(!m->shows(QStringLiteral("Mindful Break Prompt")));

        m->manager->setIsBreak(true);

        QVERIFY(m->shows(QStringLiteral("Mindful Break Prompt")));
        QVERIFY(m->shows(QStringLiteral("BREAK")));
        const QString first = m->manager->currentBreakPrompt();
        QVERIFY(m->shows(first));

        m->click(m->item(QStringLiteral("Next Tip")));

        const QString second = m->manager->currentBreakPrompt();
        QVERIFY(second != first);
        QVERIFY(m->shows(second));
        m->manager->setTotalSeconds(300);
        m->manager->setRemainingSeconds(120);
        QVERIFY(m->shows(QStringLiteral("02:00")));
        m->screenshot(QStringLiteral("focus-break"));
    }

    void protectionSummaryCountsEnabledEntries() {
        m->manager->setBlockedApps(
            {BlockedApp{QUuid::createUuid(), QStringLiteral("Steam"), true, std::nullopt},
             BlockedApp{QUuid::createUuid(), QStringLiteral("Slack"), false, std::nullopt}});
        m->manager->setBlockYouTubeShorts(false);
        m->manager->setBlockAdultSites(false);

        for (const QString& value : {QStringLiteral("1 apps"), QStringLiteral("4 sites"),
                                     QStringLiteral("Allowed"), QStringLiteral("Off")}) {
            QQuickItem* text = m->item(value, QAccessible::StaticText);
            QVERIFY2(text != nullptr && text->isVisible(), qPrintable(value));
        }
    }

    void volumeSliderOnlyWithASound() {
        QCOMPARE(m->manager->ambientSound(), AmbientSoundType::Off);
        QVERIFY(!m->shows(QStringLiteral("Volume")));

        m->click(m->item(QStringLiteral("Soft Rain")));

        QCOMPARE(m->manager->ambientSound(), AmbientSoundType::Rain);
        QVERIFY(m->shows(QStringLiteral("Volume")));
        QQuickItem* volume = m->item(QStringLiteral("Volume"));
        QCOMPARE(volume->property("from").toDouble(), 0.05);
        QCOMPARE(volume->property("to").toDouble(), 0.7);
        m->screenshot(QStringLiteral("focus-sound"));

        m->click(m->item(QStringLiteral("Off"), QAccessible::RadioButton));
        QCOMPARE(m->manager->ambientSound(), AmbientSoundType::Off);
        QVERIFY(!m->shows(QStringLiteral("Volume")));
    }

    void volumeSliderWritesTheVolume() {
        m->manager->setAmbientSound(AmbientSoundType::Zen);
        QQuickItem* volume = m->item(QStringLiteral("Volume"));
        QVERIFY(volume != nullptr);
        m->settle();

        // Far left of the track: the lowest volume, never below it.
        const QPointF left = volume->mapToScene(QPointF(1, volume->height() / 2));
        QTest::mouseClick(m->view.get(), Qt::LeftButton, {}, left.toPoint());

        QCOMPARE(m->manager->ambientVolume(), 0.05);
    }

    void previewSwitchWritesPreview() {
        m->click(m->item(QStringLiteral("Preview")));
        QVERIFY(m->manager->previewAmbientSound());
    }

    void previewBlockShieldNamesDiscord() {
        m->click(m->item(QStringLiteral("Preview Block Shield")));

        QCOMPARE(m->manager->interceptedTargetName(), QStringLiteral("Discord"));
    }

    void everyControlFitsItsCardInTheNarrowestColumn() {
        m->manager->setIsBreak(true);
        m->manager->setAmbientSound(AmbientSoundType::Lofi);
        m->manager->setStrictMode(true);
        m->manager->toggleStartPause();
        m->settle();
        const qreal page = 24;
        // The side column is 295 wide at the right edge; the timer card takes the rest.
        const qreal sideLeft = m->view->width() - page - 295;
        const qreal timerRight = sideLeft - 20 - 20;

        auto within = [&](const QStringList& names, qreal left, qreal right) {
            for (const QString& name : names) {
                QQuickItem* control = m->item(name);
                QVERIFY2(control != nullptr, qPrintable(name));
                const QRectF box = control->mapRectToScene(control->boundingRect());
                QVERIFY2(box.left() >= left - 0.5 && box.right() <= right + 0.5,
                         qPrintable(QStringLiteral("%1: %2..%3 outside %4..%5")
                                        .arg(name)
                                        .arg(box.left())
                                        .arg(box.right())
                                        .arg(left)
                                        .arg(right)));
            }
        };
        within(pillNames + QStringList{QStringLiteral("Strict Locked"), QStringLiteral("Reset"),
                                       QStringLiteral("Strict Mode")},
               page + 20, timerRight);
        within({QStringLiteral("Sound"), QStringLiteral("Volume"), QStringLiteral("Preview"),
                QStringLiteral("Preview Block Shield")},
               sideLeft + 18, m->view->width() - page - 18);
        within({QStringLiteral("Preset"), QStringLiteral("Next Tip")}, page,
               m->view->width() - page);
        m->screenshot(QStringLiteral("focus-narrow-break"));
    }

    void wideColumnKeepsPillsAndButtonsOnOneRow() {
        m->view->resize(875, 700);
        m->settle();

        const qreal pillRow = m->item(pillNames.first())->mapToScene(QPointF()).y();
        for (const QString& name : pillNames) {
            QCOMPARE(m->item(name)->mapToScene(QPointF()).y(), pillRow);
        }
        QCOMPARE(m->item(QStringLiteral("Start Focus"))->mapToScene(QPointF()).y(),
                 m->item(QStringLiteral("Reset"))->mapToScene(QPointF()).y());
        m->screenshot(QStringLiteral("focus-wide"));
    }
};

QTEST_MAIN(TestFocusView)
#include "tst_focusview.moc"
