#pragma once

#include "FocusManager.h"
#include "Platform.h"

#include <QObject>
#include <QPointer>
#include <QQmlApplicationEngine>
#include <QWindow>

#include <memory>

class QQuickWindow;
class QSessionManager;

namespace Quorel {

class BridgeThread;
class TrayController;

// The running application: the one manager, the main window and the tray, on adapters that the
// caller owns and keeps for longer.
class QuorelApp : public QObject {
    Q_OBJECT

public:
    explicit QuorelApp(Platform platform);
    ~QuorelApp() override;

    // Loads the views and brings the main window up; false when the main window cannot load.
    bool start();

public slots:
    // Every way of quitting ends here and passes the quit guard. True when the app is quitting.
    bool requestQuit();
    void showMainWindow();

public:
    QWindow* mainWindow() const;

private:
    void showQuitRefusal();
    void onCommitDataRequest(QSessionManager& session);
    bool eventFilter(QObject* watched, QEvent* event) override;

    // Declared in the order they must be built; each later one uses the earlier ones.
    std::unique_ptr<FocusManager> m_manager;
    std::unique_ptr<BridgeThread> m_bridge;
    QQmlApplicationEngine m_engine;
    QPointer<QQuickWindow> m_mainWindow;
    std::unique_ptr<TrayController> m_tray;
    bool m_showingRefusal = false;
};

}  // namespace Quorel
