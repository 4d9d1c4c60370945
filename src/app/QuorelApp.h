// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "FocusManager.h"
#include "Platform.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QQmlApplicationEngine>
#include <QRect>
#include <QTimer>
#include <QWindow>

#include <chrono>
#include <memory>

class QQuickWindow;
class QSessionManager;

namespace Quorel {

class BridgeThread;
class TrayController;

// The running application: the one manager, the main window and the tray, on adapters that the
// caller owns and keeps for longer. The views live only while one of them shows: the QML engine
// and its windows are let go a moment after the last one closes and built again on demand.
class QuorelApp : public QObject {
    Q_OBJECT

public:
    explicit QuorelApp(Platform platform);
    ~QuorelApp() override;

    // How this run began: by the user, or by the desktop at login (the autostart entry passes
    // loginStartArgument), when Quorel waits in the tray.
    enum class Launch { ByUser, AtLogin };
    static Launch launchFor(const QStringList& arguments);

    // Loads the views and brings the main window up; false when the main window cannot load.
    // At login the window stays closed while a tray shows Quorel; with no tray yet it waits
    // loginTrayWait for one, then opens, so the user always has a way in.
    bool start(Launch launch = Launch::ByUser);

public slots:
    // Every way of quitting ends here and passes the quit guard. True when the app is quitting.
    bool requestQuit();
    void showMainWindow();

public:
    QWindow* mainWindow() const;
    const FocusManager& manager() const { return *m_manager; }
    // Whether the views' QML engine exists now.
    bool hasViews() const { return m_engine != nullptr; }

    // How long the views outlive the last window that closes.
    static constexpr int releaseDelayMs = 2000;
    // How long a login start waits for a tray before it opens the main window; panels come up
    // a few seconds into the session.
    std::chrono::milliseconds loginTrayWait{10000};

private:
    QQmlApplicationEngine& engine();
    // Connects the views' requests once the engine has loaded the module that declares them.
    void wireShell();
    bool buildMainWindow();
    void waitForTrayAtLogin();
    void releaseViewsIfHidden();
    void showQuitRefusal();
    void tellHowToComeBack();
    void onCommitDataRequest(QSessionManager& session);
    bool eventFilter(QObject* watched, QEvent* event) override;

    // Declared in the order they must be built; each later one uses the earlier ones.
    std::unique_ptr<FocusManager> m_manager;
    std::unique_ptr<BridgeThread> m_bridge;
    // Before the views: their windows tell it they hid as they go.
    QTimer m_release;
    QTimer m_loginWait;
    std::unique_ptr<QQmlApplicationEngine> m_engine;
    QPointer<QQuickWindow> m_mainWindow;
    std::unique_ptr<TrayController> m_tray;
    QRect m_mainGeometry;        // where the user left the main window, for when it is built again
    QElapsedTimer m_sinceAsked;  // since the main window was asked for while it was not built
    bool m_shellWired = false;
    bool m_showingRefusal = false;
    bool m_toldHowToComeBack = false;
};

}  // namespace Quorel
