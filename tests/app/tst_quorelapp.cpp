// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "QuorelApp.h"
#include "ScreenHarness.h"
#include "xdg/XdgAutostart.h"

#include <QtQml/qqmlextensionplugin.h>
#include <QApplication>
#include <QMessageBox>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>

Q_IMPORT_QML_PLUGIN(QuorelPlugin)

using namespace Quorel;

namespace {

// How the user asks to quit; each returns false when it could not be done.
using Way = std::function<bool(QuorelApp&)>;

QQuickWindow* mainWindow() {
    for (QWindow* window : QGuiApplication::topLevelWindows()) {
        if (qobject_cast<QQuickWindow*>(window) && !qobject_cast<QQuickView*>(window)) {
            return qobject_cast<QQuickWindow*>(window);
        }
    }
    return nullptr;
}

// The tray's control window, opened as a click on the icon opens it.
QQuickView* openControlWindow(QuorelApp& app) {
    auto* icon = app.findChild<QSystemTrayIcon*>();
    if (icon == nullptr) {
        return nullptr;
    }
    emit icon->activated(QSystemTrayIcon::Trigger);
    for (QWindow* window : QGuiApplication::topLevelWindows()) {
        if (auto* view = qobject_cast<QQuickView*>(window); view && view->isVisible()) {
            return QTest::qWaitForWindowExposed(view) ? view : nullptr;
        }
    }
    return nullptr;
}

bool clickButton(QQuickView& view, const QString& text) {
    for (QQuickItem* item : allItems(view.rootObject())) {
        if (item->property("text").toString() == text && item->inherits("QQuickAbstractButton")) {
            QTest::mouseClick(&view, Qt::LeftButton, {}, sceneRect(item).center().toPoint());
            return true;
        }
    }
    return false;
}

bool hasSavedSession(const FakeDesktop& desktop) {
    const std::optional<PersistedState> d = decodePersistedState(desktop.savedDocument());
    return d && d->runningSession;
}

}  // namespace

Q_DECLARE_METATYPE(Way)

class TestQuorelApp : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QQuickWindow::setGraphicsApi(QSGRendererInterface::Software); }

    void everyWayOfQuittingPassesTheGuard_data() {
        QTest::addColumn<Way>("way");
        QTest::addColumn<bool>("strictRun");

        // Offscreen binds no keys to StandardKey.Quit, so the shortcut is fired directly.
        const Way shortcut = [](QuorelApp&) {
            QQuickWindow* window = mainWindow();
            for (QObject* child : window->findChildren<QObject*>()) {
                if (child->inherits("QQuickShortcut")) {
                    return QMetaObject::invokeMethod(child, "activated");
                }
            }
            return false;
        };
        const Way trayQuit = [](QuorelApp& app) {
            QQuickView* control = openControlWindow(app);
            return control != nullptr && clickButton(*control, QStringLiteral("Quit"));
        };
        QTest::newRow("shortcut, idle") << shortcut << false;
        QTest::newRow("shortcut, strict run") << shortcut << true;
        // The control window's Quit is disabled during a strict run.
        QTest::newRow("tray, idle") << trayQuit << false;
    }

    void everyWayOfQuittingPassesTheGuard() {
        QFETCH(Way, way);
        QFETCH(bool, strictRun);
        FakeDesktop desktop;
        QuorelApp app(desktop.platform());
        QVERIFY(app.start());
        if (strictRun) {
            FocusManager::shared()->setStrictMode(true);
            FocusManager::shared()->toggleStartPause();
        }

        enum { Quit = 0, StillRunning = 1, Stuck = 2, WayFailed = 3 };
        int boxes = 0;
        bool secondRequestRefused = false;
        // Answers the refusal box once it is up, after one more quit request while it shows.
        QTimer watcher;
        watcher.setInterval(10);
        connect(&watcher, &QTimer::timeout, this, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box != nullptr && box->isVisible()) {
                ++boxes;
                secondRequestRefused = !app.requestQuit();
                box->reject();
            } else if (boxes > 0) {
                QCoreApplication::exit(StillRunning);
            }
        });
        watcher.start();
        QTimer::singleShot(0, &watcher, [&] {
            if (!way(app)) {
                QCoreApplication::exit(WayFailed);
            }
        });
        QTimer watchdog;
        watchdog.callOnTimeout(&watchdog, [] { QCoreApplication::exit(Stuck); });
        watchdog.start(5000);

        const int outcome = QCoreApplication::exec();

        QCOMPARE(outcome, strictRun ? int(StillRunning) : int(Quit));
        QCOMPARE(boxes, strictRun ? 1 : 0);
        QCOMPARE(secondRequestRefused, strictRun);
        QCOMPARE(mainWindow()->isVisible(), true);
        // A refused quit leaves the strict run saved, to go on should Quorel be killed.
        QCOMPARE(hasSavedSession(desktop), strictRun);
    }

    // Offscreen there is no tray: closing the window leaves Quorel and its focus running, and
    // says once how the window comes back.
    void closingWithoutATrayIsNotQuitting() {
        FakeDesktop desktop;
        QuorelApp app(desktop.platform());
        QVERIFY(app.start());
        FocusManager::shared()->setStrictMode(false);
        FocusManager::shared()->toggleStartPause();
        int told = 0;
        for (int round = 0; round < 2; ++round) {
            QVERIFY(mainWindow()->close());
            QTest::qWait(50);
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* box = qobject_cast<QMessageBox*>(widget);
                if (box != nullptr && box->isVisible()) {
                    QCOMPARE(box->text(), QStringLiteral("Quorel Keeps Running"));
                    ++told;
                    box->accept();
                }
            }
            QVERIFY(!mainWindow()->isVisible());
            app.showMainWindow();
        }
        QCOMPARE(told, 1);
        QVERIFY(FocusManager::shared()->isRunning());
        QVERIFY(hasSavedSession(desktop));
    }

    // An allowed quit ends a relaxed run, as it always has: the next start is idle.
    void allowedQuitEndsARelaxedRun() {
        FakeDesktop desktop;
        QuorelApp app(desktop.platform());
        QVERIFY(app.start());
        FocusManager& manager = *FocusManager::shared();
        manager.setStrictMode(false);
        manager.toggleStartPause();
        QVERIFY(hasSavedSession(desktop));

        bool quit = false;
        QTimer::singleShot(0, &app, [&] { quit = app.requestQuit(); });
        QTimer watchdog;
        watchdog.callOnTimeout(&watchdog, [] { QCoreApplication::exit(1); });
        watchdog.start(5000);
        QCOMPARE(QCoreApplication::exec(), 0);

        QVERIFY(quit);
        QVERIFY(!manager.isRunning());
        QVERIFY(!hasSavedSession(desktop));
    }

    // The desktop starts Quorel at login with the autostart entry's command: a strict session
    // that was running when the user logged out goes on. Without a tray to wait in, the main
    // window opens after a short wait, so the user is never left without a way in.
    void loginStartResumesTheStrictSession() {
        FakeDesktop desktop;
        {
            auto before = desktop.makeManager();
            before->setStrictMode(true);
            before->toggleStartPause();
            for (int i = 0; i < 60; ++i) {
                before->tick();
            }
            before->saveState();
        }
        QVERIFY(hasSavedSession(desktop));
        desktop.clock.advance(90);  // logged out and in again

        QTemporaryDir autostartFolder;
        XdgAutostart autostart(autostartFolder.path(), {},
                               autostartCommand(QCoreApplication::applicationFilePath(), {}));
        QCOMPARE(autostart.setEnabled(true), QString());
        QFile entryFile(autostart.userEntryPath());
        QVERIFY(entryFile.open(QIODevice::ReadOnly));
        const auto entry = parseDesktopEntry(QString::fromUtf8(entryFile.readAll()), {}, {});
        QVERIFY(autostartStarts(entry));
        const QStringList arguments = execArguments(entry->exec);
        QCOMPARE(arguments.value(0), QCoreApplication::applicationFilePath());

        QuorelApp app(desktop.platform());
        app.loginTrayWait = std::chrono::milliseconds(200);
        QVERIFY(app.start(QuorelApp::launchFor(arguments)));

        FocusManager& manager = *FocusManager::shared();
        QVERIFY(manager.isRunning());
        QVERIFY(manager.isLocked());
        QCOMPARE(manager.remainingSeconds(), 2700 - 60 - 90);
        QVERIFY(mainWindow() == nullptr || !mainWindow()->isVisible());
        QTRY_VERIFY(mainWindow() != nullptr && mainWindow()->isVisible());
    }

    void onlyTheLoginArgumentMakesALoginStart() {
        QCOMPARE(QuorelApp::launchFor({QStringLiteral("quorel")}), QuorelApp::Launch::ByUser);
        QCOMPARE(QuorelApp::launchFor({QStringLiteral("quorel"), QStringLiteral("--login")}),
                 QuorelApp::Launch::AtLogin);
    }

    // Closed, the views are let go; the tray's control window and then the main window are
    // built again on demand, the main window where the user left it.
    void closedViewsAreLetGoAndBuiltAgain() {
        FakeDesktop desktop;
        QuorelApp app(desktop.platform());
        QVERIFY(app.start());
        QQuickWindow* window = mainWindow();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        const QRect left(40, 50, 900, 600);
        window->setGeometry(left);
        window->hide();
        QTRY_VERIFY_WITH_TIMEOUT(!app.hasViews(), 3 * QuorelApp::releaseDelayMs);
        QCOMPARE(mainWindow(), nullptr);

        QQuickView* control = openControlWindow(app);
        QVERIFY(control != nullptr);
        QVERIFY(clickButton(*control, QStringLiteral("Open Quorel")));
        QTRY_VERIFY(mainWindow() != nullptr && mainWindow()->isVisible());
        QCOMPARE(mainWindow()->geometry(), left);
        QVERIFY(!control->isVisible());
    }
};

QTEST_MAIN(TestQuorelApp)
#include "tst_quorelapp.moc"
