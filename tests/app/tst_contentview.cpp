// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ScreenHarness.h"
#include "WindowGlass.h"

#include <QtQml/qqmlextensionplugin.h>
#include <QQmlComponent>
#include <QQuickWindow>

Q_IMPORT_QML_PLUGIN(QuorelPlugin)

using namespace Quorel;

Q_DECLARE_METATYPE(Quorel::FocusTab)

namespace {

// A desktop whose compositor the test switches on and off.
class FakeCompositor : public WindowCompositor {
public:
    DesktopCompositing capabilities() override { return desktop; }
    void setBlurBehind(QWindow&, bool enabled) override { blurRequests.append(enabled); }

    DesktopCompositing desktop;
    QList<bool> blurRequests;
};

}  // namespace

// The main window's content, loaded offscreen against a manager on fakes.
class TestContentView : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
        QAccessible::setActive(true);
        WindowGlass::setCompositor(&m_compositor);
    }

    void cleanupTestCase() { WindowGlass::setCompositor(nullptr); }

    void init() {
        m_compositor = FakeCompositor();
        m_ui = std::make_unique<ScreenHarness>();
        m_ui->manager->setSelectedPreset(FocusPreset::Study);
        const QString error = m_ui->load(QStringLiteral("ContentView.qml"), QSize(1100, 720));
        QVERIFY2(error.isEmpty(), qPrintable(error));
    }

    void cleanup() { m_ui.reset(); }

    void sidebarRowSelectsItsScreen_data() {
        QTest::addColumn<QString>("title");
        QTest::addColumn<FocusTab>("tab");

        for (const auto& [tab, title] : EnumCases<FocusTab>::all) {
            QTest::newRow(qPrintable(rawValue(tab))) << rawValue(tab) << tab;
        }
    }

    void sidebarRowSelectsItsScreen() {
        QFETCH(QString, title);
        QFETCH(FocusTab, tab);
        // Start elsewhere, so every row's click is a change.
        m_ui->windowState().setSelectedTab(tab == FocusTab::Settings ? FocusTab::Focus
                                                                     : FocusTab::Settings);
        QQuickItem* row = m_ui->item(title, QAccessible::ListItem);
        QVERIFY(row != nullptr);

        m_ui->click(row);

        QCOMPARE(m_ui->windowState().selectedTab(), tab);
        QVERIFY(isSelected(title));
    }

    void selectionFollowsTheManager() {
        m_ui->windowState().setSelectedTab(FocusTab::Insights);

        QVERIFY(isSelected(QStringLiteral("Insights")));
        for (const QString& other : {QStringLiteral("Focus"), QStringLiteral("Blockers"),
                                     QStringLiteral("Schedules"), QStringLiteral("Settings")}) {
            QVERIFY2(!isSelected(other), qPrintable(other));
        }
    }

    void arrowKeysMoveThroughTheTabs() {
        m_ui->windowState().setSelectedTab(FocusTab::Blockers);
        QQuickItem* list = m_ui->item(QStringLiteral("Sidebar"), QAccessible::List);
        QVERIFY(list != nullptr);
        list->forceActiveFocus();

        QTest::keyClick(m_ui->view.get(), Qt::Key_Down);
        QCOMPARE(m_ui->windowState().selectedTab(), FocusTab::Schedules);
        QTest::keyClick(m_ui->view.get(), Qt::Key_Up);
        QTest::keyClick(m_ui->view.get(), Qt::Key_Up);
        QTest::keyClick(m_ui->view.get(), Qt::Key_Up);
        QCOMPARE(m_ui->windowState().selectedTab(), FocusTab::Focus);
    }

    void blockersTabShowsTheBlockersScreen() {
        m_ui->windowState().setSelectedTab(FocusTab::Blockers);

        QTRY_VERIFY(m_ui->shows(QStringLiteral("App & Website Blockers")));
        QVERIFY(m_ui->find(QStringLiteral("Blockers"), QAccessible::StaticText) == nullptr);
    }

    // A screen's view and model go when another screen is shown, and every view goes while no
    // window is open; the screen and what was typed stay.
    void screenAndTypedNameOutliveTheViews() {
        const QString appField = QStringLiteral("App name (e.g. Discord)");
        m_ui->windowState().setSelectedTab(FocusTab::Blockers);
        QTRY_VERIFY(m_ui->item(appField) != nullptr);
        m_ui->item(appField)->forceActiveFocus();
        for (const char c : {'D', 'i', 's', 'c'}) {
            QTest::keyClick(m_ui->view.get(), c);
        }

        m_ui->click(m_ui->item(QStringLiteral("Focus"), QAccessible::ListItem));
        QTRY_VERIFY(m_ui->item(appField) == nullptr);
        m_ui->click(m_ui->item(QStringLiteral("Blockers"), QAccessible::ListItem));
        QTRY_VERIFY(m_ui->item(appField) != nullptr);
        QCOMPARE(m_ui->item(appField)->property("text").toString(), QStringLiteral("Disc"));

        m_ui->view.reset();
        m_ui->engine.reset();
        const QString error = m_ui->load(QStringLiteral("ContentView.qml"), QSize(1100, 720));
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QVERIFY(isSelected(QStringLiteral("Blockers")));
        QTRY_VERIFY(m_ui->item(appField) != nullptr);
        QCOMPARE(m_ui->item(appField)->property("text").toString(), QStringLiteral("Disc"));
    }

    void strictBannerOnlyDuringAStrictRun_data() {
        QTest::addColumn<bool>("running");
        QTest::addColumn<bool>("strict");

        QTest::newRow("idle") << false << false;
        QTest::newRow("idle, strict armed") << false << true;
        QTest::newRow("running") << true << false;
        QTest::newRow("running strict") << true << true;
    }

    void strictBannerOnlyDuringAStrictRun() {
        QFETCH(bool, running);
        QFETCH(bool, strict);
        m_ui->manager->setStrictMode(strict);
        if (running) {
            m_ui->manager->toggleStartPause();
        }

        // Over every screen, not only the Focus screen.
        for (const auto& [tab, title] : EnumCases<FocusTab>::all) {
            m_ui->windowState().setSelectedTab(tab);
            QCOMPARE(m_ui->shows(bannerText), running && strict);
            // Hidden, it is not in the tree a screen reader reads either.
            QCOMPARE(m_ui->find(bannerText) != nullptr, running && strict);
        }
    }

    void failedSavesShowANoticeUntilOneSucceeds() {
        m_ui->desktop.preferences.refuseWrites = true;
        m_ui->manager->setAutoStartBreak(false);
        const QString notice = m_ui->manager->saveProblem();
        QVERIFY(!notice.isEmpty());
        QVERIFY(m_ui->shows(notice));
        m_ui->desktop.preferences.refuseWrites = false;
        m_ui->manager->setAutoStartBreak(true);
        QVERIFY(!m_ui->shows(notice));
    }

    // Where an unreadable document went stays on screen until dismissed.
    void aDocumentSetAsideIsToldUntilDismissed() {
        m_ui.reset();
        m_ui = std::make_unique<ScreenHarness>();
        m_ui->desktop.setSavedDocument("garbage");
        m_ui->manager = m_ui->desktop.makeManager();
        QVERIFY(m_ui->load(QStringLiteral("ContentView.qml"), QSize(1100, 720)).isEmpty());
        const QString notice = m_ui->manager->documentNotice();
        QVERIFY(notice.contains(QStringLiteral(".unreadable-")));
        QVERIFY(m_ui->shows(notice));
        m_ui->click(m_ui->item(QStringLiteral("Dismiss"), QAccessible::Button));
        QVERIFY(!m_ui->shows(notice));
    }

    void interceptedTargetShowsTheShieldSheet() {
        QVERIFY(!m_ui->shows(QStringLiteral("Slack is Blocked")));

        m_ui->manager->setInterceptedTargetName(QStringLiteral("Slack"));

        QTRY_VERIFY(m_ui->shows(QStringLiteral("Slack is Blocked")));
        QVERIFY(m_ui->shows(QStringLiteral("Quorel hid Slack to protect your Study session.")));
        QVERIFY(m_ui->shows(m_ui->manager->formattedRemaining() + QStringLiteral(" remaining")));
        m_ui->screenshot(QStringLiteral("contentview-shield"));
    }

    // A browser Quorel cannot guard: left on screen, the shield says so and what fixes it;
    // hidden in strict focus, it reads as blocked, with the same step.
    void anUnguardedBrowserIsNamedWithWhatFixesIt() {
        FocusManager& m = *m_ui->manager;
        RunningApplication firefox = app(QStringLiteral("Firefox ESR"));
        firefox.identity = QStringLiteral("firefox-esr.desktop");
        m_ui->desktop.workspace.running = {firefox};
        m_ui->desktop.workspace.frontmost = firefox.name;
        m.setStrictMode(false);
        m.toggleStartPause();
        for (int second = 0; second <= 3; ++second) {
            m.checkFrontBrowserTab();
            QTRY_VERIFY(!m.isCheckingBrowser());
            m_ui->desktop.clock.advance(1);
        }
        const QString fix = QStringLiteral(
            "Quorel can't guard websites in Firefox: turn its extension back on in about:addons");
        QCOMPARE(m.browserNotice(), fix);
        m.setInterceptedTargetName(firefox.name);
        QTRY_VERIFY(m_ui->shows(QStringLiteral("Websites Aren't Guarded in Firefox ESR")));
        QVERIFY(m_ui->shows(fix));

        m.setHideUnguardedBrowsers(true);
        QTRY_VERIFY(m_ui->shows(QStringLiteral("Firefox ESR is Blocked")));
        QVERIFY(m_ui->shows(fix));
    }

    void aNameFromOutsideIsShownAsPlainText() {
        const QString hostile = QStringLiteral("<img src=\"http://127.0.0.1:9/x.png\">Slack");
        m_ui->manager->setInterceptedTargetName(hostile);
        QTRY_VERIFY(m_ui->shows(hostile + QStringLiteral(" is Blocked")));
        QCOMPARE(plainTextsShowing(m_ui->view->contentItem(), hostile), 2);
    }

    void onlyBackToWorkOrEscapeDismissTheSheet_data() {
        QTest::addColumn<QString>("gesture");
        QTest::addColumn<bool>("dismisses");

        QTest::newRow("Back to Work") << "Back to Work" << true;
        QTest::newRow("Escape") << "Escape" << true;
        QTest::newRow("click outside") << "click outside" << false;
    }

    void onlyBackToWorkOrEscapeDismissTheSheet() {
        QFETCH(QString, gesture);
        QFETCH(bool, dismisses);
        m_ui->manager->setInterceptedTargetName(QStringLiteral("Slack"));
        QQuickItem* button = m_ui->item(QStringLiteral("Back to Work"), QAccessible::Button);
        QVERIFY(button != nullptr);
        QTRY_VERIFY(button->isVisible());
        m_ui->settle();

        if (gesture == QStringLiteral("Back to Work")) {
            m_ui->click(button);
        } else if (gesture == QStringLiteral("Escape")) {
            QTest::keyClick(m_ui->view.get(), Qt::Key_Escape);
        } else {
            // On the sidebar, well clear of the centred sheet.
            QTest::mouseClick(m_ui->view.get(), Qt::LeftButton, {}, QPoint(20, 300));
        }

        QCOMPARE(m_ui->manager->hasInterceptedTarget(), !dismisses);
        if (dismisses) {
            QTRY_VERIFY(!m_ui->shows(QStringLiteral("Slack is Blocked")));
        } else {
            QVERIFY(m_ui->shows(QStringLiteral("Slack is Blocked")));
        }
    }

    void targetClearedElsewhereClosesTheSheet() {
        m_ui->manager->setInterceptedTargetName(QStringLiteral("Slack"));
        QTRY_VERIFY(m_ui->shows(QStringLiteral("Slack is Blocked")));

        m_ui->manager->setInterceptedTargetName({});

        QTRY_VERIFY(!m_ui->shows(QStringLiteral("Slack is Blocked")));
    }

    void defaultWindowSizeKeepsTheFocusAndScheduleRows() {
        QQmlComponent mainWindow(m_ui->engine.get(),
                                 QUrl(QStringLiteral("qrc:/qt/qml/Quorel/qml/MainWindow.qml")));
        std::unique_ptr<QObject> window(mainWindow.create());
        QVERIFY2(window != nullptr, qPrintable(mainWindow.errorString()));
        m_ui->view->resize(window->property("width").toInt(), window->property("height").toInt());
        window.reset();
        // Each screen built at that size, as when the window opens.
        m_ui->windowState().setSelectedTab(FocusTab::Settings);
        m_ui->windowState().setSelectedTab(FocusTab::Focus);
        m_ui->settle();

        auto sameRow = [this](const QStringList& names) {
            const qreal row = sceneRect(m_ui->item(names.first())).center().y();
            for (const QString& name : names) {
                QQuickItem* control = m_ui->item(name);
                QVERIFY2(control != nullptr, qPrintable(name));
                QVERIFY2(qAbs(sceneRect(control).center().y() - row) < 1, qPrintable(name));
                QVERIFY2(sceneRect(control).right() <= m_ui->view->width() - 24, qPrintable(name));
            }
        };
        sameRow({QStringLiteral("25m"), QStringLiteral("45m"), QStringLiteral("60m"),
                 QStringLiteral("15s Demo")});
        QQuickItem* ring = nullptr;
        for (QQuickItem* item : allItems(m_ui->view->rootObject())) {
            if (item->property("shownProgress").isValid()) {
                ring = item;
            }
        }
        QVERIFY(ring != nullptr);
        QCOMPARE(ring->size(), QSizeF(200, 200));

        m_ui->windowState().setSelectedTab(FocusTab::Schedules);
        m_ui->settle();
        sameRow({QStringLiteral("Label (e.g. Morning Deep Work)"), QStringLiteral("Preset"),
                 QStringLiteral("Start"), QStringLiteral("End"), QStringLiteral("Add")});
        m_ui->screenshot(QStringLiteral("contentview-default-schedules"));
    }

    void dailyGoalCard_data() {
        QTest::addColumn<qint64>("usedSeconds");
        QTest::addColumn<double>("goalHours");
        QTest::addColumn<QString>("percent");
        QTest::addColumn<QString>("figures");

        QTest::newRow("part way") << qint64(9000) << 4.0 << "62%"
                                  << "2.5h of 4.0h";
        QTest::newRow("past the goal") << qint64(18000) << 4.0 << "100%"
                                       << "5.0h of 4.0h";
        QTest::newRow("no goal") << qint64(3600) << 0.0 << "100%"
                                 << "1.0h of 0.0h";
    }

    void dailyGoalCard() {
        QFETCH(qint64, usedSeconds);
        QFETCH(double, goalHours);
        QFETCH(QString, percent);
        QFETCH(QString, figures);

        m_ui->manager->setScreenTimeMode(ScreenTimeTrackingMode::AllApps);
        m_ui->manager->setTrackedAppSeconds({{QStringLiteral("Firefox"), usedSeconds}});
        m_ui->manager->setDailyGoalHours(goalHours);

        QVERIFY(m_ui->shows(QStringLiteral("Daily Goal")));
        QVERIFY2(m_ui->shows(percent), qPrintable(percent));
        QVERIFY2(m_ui->shows(figures), qPrintable(figures));
    }

    void sidebarBackgroundGivesWayToGlass() {
        auto* background =
            m_ui->view->rootObject()->findChild<QQuickItem*>(QStringLiteral("sidebarBackground"));
        QVERIFY(background != nullptr);

        m_ui->manager->setGlassEnabled(false);
        QVERIFY(background->isVisible());
        m_ui->manager->setGlassEnabled(true);
        QVERIFY(!background->isVisible());
    }

    void glassMakesTheWindowSeeThroughOnTheNextTurn() {
        m_compositor.desktop = {true, false};
        m_ui->manager->setGlassEnabled(false);
        QCoreApplication::processEvents();
        QCOMPARE(m_ui->view->color().alpha(), 255);

        m_ui->manager->setGlassEnabled(true);
        QCOMPARE(m_ui->view->color().alpha(), 255);  // not before the next main-loop turn
        QTRY_COMPARE(m_ui->view->color().alpha(), 0);
        QVERIFY(m_compositor.blurRequests.isEmpty());

        m_ui->manager->setGlassEnabled(false);
        QTRY_COMPARE(m_ui->view->color(), QColor(0x12, 0x15, 0x1A));
    }

    void withoutACompositorTheWindowStaysOpaque() {
        m_compositor.desktop = {false, false};
        m_ui->manager->setGlassEnabled(true);
        QTest::qWait(50);
        QCOMPARE(m_ui->view->color().alpha(), 255);
        m_ui->screenshot(QStringLiteral("contentview-glass-opaque"));
    }

    void kwinAlsoBlursBehindTheWindow() {
        m_compositor.desktop = {true, true};
        m_ui->manager->setGlassEnabled(false);
        QCoreApplication::processEvents();
        m_ui->manager->setGlassEnabled(true);
        QTRY_COMPARE(m_compositor.blurRequests, QList<bool>{true});
        QCOMPARE(m_ui->view->color().alpha(), 0);

        m_ui->manager->setGlassEnabled(false);
        QTRY_COMPARE(m_compositor.blurRequests, (QList<bool>{true, false}));
        QCOMPARE(m_ui->view->color().alpha(), 255);
    }

private:
    bool isSelected(const QString& title) const {
        QAccessibleInterface* row = m_ui->find(title, QAccessible::ListItem);
        return row != nullptr && row->state().selected;
    }

    const QString bannerText = QStringLiteral(
        "Strict Mode Active: Early exit and blocklist edits are locked until the timer ends.");
    FakeCompositor m_compositor;
    std::unique_ptr<ScreenHarness> m_ui;
};

QTEST_MAIN(TestContentView)
#include "tst_contentview.moc"
