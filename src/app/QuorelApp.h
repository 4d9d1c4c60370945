#pragma once

#include "Composition.h"
#include "FocusManager.h"

#include <QObject>
#include <QPointer>
#include <QQmlApplicationEngine>

#include <memory>

class QQuickWindow;
class QSessionManager;

namespace Quorel {

class TrayController;

// The running application: the adapters, the one manager, the main window and the tray.
class QuorelApp : public QObject {
    Q_OBJECT

public:
    QuorelApp();
    ~QuorelApp() override;

    // Loads the views and brings the main window up; false when the main window cannot load.
    bool start();

public slots:
    // Every way of quitting ends here and passes the quit guard. True when the app is quitting.
    bool requestQuit();
    void showMainWindow();

private:
    void showQuitRefusal();
    void onCommitDataRequest(QSessionManager& session);
    bool eventFilter(QObject* watched, QEvent* event) override;

    // Declared in the order they must be built; each later one uses the earlier ones.
    Adapters m_adapters;
    std::unique_ptr<FocusManager> m_manager;
    QQmlApplicationEngine m_engine;
    QPointer<QQuickWindow> m_mainWindow;
    std::unique_ptr<TrayController> m_tray;
    bool m_showingRefusal = false;
};

}  // namespace Quorel
