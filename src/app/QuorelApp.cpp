#include "QuorelApp.h"

#include "AppShell.h"
#include "BridgeServer.h"
#include "BridgeThread.h"
#include "QuitGuard.h"
#include "TrayController.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QLabel>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QPushButton>
#include <QQuickWindow>
#include <QSessionManager>
#include <QSystemTrayIcon>
#include <QWindow>

namespace Quorel {

Q_LOGGING_CATEGORY(lcStartup, "quorel.startup", QtWarningMsg)

namespace {

// QUOREL_BRIDGE_PORT moves the bridge, so that tests running side by side each have their own.
quint16 bridgePort() {
    bool ok = false;
    const int port = qEnvironmentVariableIntValue("QUOREL_BRIDGE_PORT", &ok);
    return ok && port >= 1 && port <= 65535 ? static_cast<quint16>(port)
                                            : BridgeServer::defaultPort;
}

}  // namespace

QuorelApp::QuorelApp(Platform platform) : m_manager(std::make_unique<FocusManager>(platform)) {
    const quint16 port = bridgePort();
    m_manager->setBridgePort(port);
    m_bridge = std::make_unique<BridgeThread>();
    m_bridge->follow(*m_manager);
    connect(m_bridge.get(), &BridgeThread::activeChanged, m_manager.get(),
            &FocusManager::setBridgeActive);
    if (!m_bridge->start(port)) {
        m_manager->setBridgeProblem(
            QStringLiteral("The local bridge is off: %1. Blocked sites show Quorel's own page "
                           "from the browser extension instead.")
                .arg(m_bridge->problem()));
    }
}

QuorelApp::~QuorelApp() = default;

bool QuorelApp::start() {
    m_engine.addImportPath(QStringLiteral("qrc:/qt/qml"));
    m_engine.load(QUrl(QStringLiteral("qrc:/qt/qml/Quorel/qml/MainWindow.qml")));
    const QList<QObject*> roots = m_engine.rootObjects();
    m_mainWindow = roots.isEmpty() ? nullptr : qobject_cast<QQuickWindow*>(roots.constFirst());
    AppShell* shell = AppShell::of(m_engine);
    if (m_mainWindow == nullptr || shell == nullptr) {
        return false;
    }
    connect(shell, &AppShell::mainWindowRequested, this, &QuorelApp::showMainWindow);
    connect(shell, &AppShell::quitRequested, this, &QuorelApp::requestQuit);
    // For start-up measurements: QT_LOGGING_RULES="quorel.startup.info=true".
    connect(
        m_mainWindow, &QQuickWindow::frameSwapped, this,
        [] {
            qCInfo(lcStartup, "first frame at %lld ms since the epoch",
                   static_cast<long long>(QDateTime::currentMSecsSinceEpoch()));
        },
        Qt::SingleShotConnection);
    m_mainWindow->installEventFilter(this);

    // Shown whether or not a tray runs yet: at login the tray often starts after us, and Qt
    // docks a shown icon as soon as one appears.
    m_tray = std::make_unique<TrayController>(*m_manager, m_engine, this);
    m_tray->show();
    connect(qApp, &QGuiApplication::commitDataRequest, this, &QuorelApp::onCommitDataRequest);
    // The seconds counted since the last periodic save go with us otherwise.
    connect(qApp, &QCoreApplication::aboutToQuit, m_manager.get(), &FocusManager::saveState);

    showMainWindow();
    return true;
}

bool QuorelApp::requestQuit() {
    if (m_tray) {
        m_tray->hideControlWindow();
    }
    if (quitAnswer(FocusManager::shared()) == QuitAnswer::TerminateNow) {
        m_manager->endSessionForQuit();
        QCoreApplication::quit();
        return true;
    }
    showQuitRefusal();
    return false;
}

void QuorelApp::showQuitRefusal() {
    // Two quit requests in a row (a shortcut pressed twice) get one box.
    if (m_showingRefusal) {
        return;
    }
    m_showingRefusal = true;
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Strict Mode is Active"),
                    QStringLiteral("Strict Mode is Active"), QMessageBox::NoButton);
    box.setInformativeText(
        QStringLiteral("You can't quit Quorel until your focus timer finishes."));
    // QMessageBox wraps its text narrowly; one line reads better.
    if (auto* informative = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"))) {
        informative->setMinimumWidth(
            informative->fontMetrics().horizontalAdvance(box.informativeText()));
    }
    QPushButton* back = box.addButton(QStringLiteral("Back to Focus"), QMessageBox::AcceptRole);
    box.setDefaultButton(back);
    box.setEscapeButton(back);
    // Kept above the main window by the window manager, like any dialog of it.
    if (m_mainWindow != nullptr && m_mainWindow->isVisible()) {
        box.winId();
        box.windowHandle()->setTransientParent(m_mainWindow);
    }
    box.exec();
    m_showingRefusal = false;
}

void QuorelApp::onCommitDataRequest(QSessionManager& session) {
    if (quitAnswer(FocusManager::shared()) == QuitAnswer::TerminateNow) {
        return;
    }
    if (session.allowsInteraction()) {
        showQuitRefusal();
        session.release();
    }
    session.cancel();
}

void QuorelApp::showMainWindow() {
    if (m_mainWindow == nullptr) {
        return;
    }
    if (m_tray) {
        m_tray->hideControlWindow();
    }
    if (m_mainWindow->windowStates().testFlag(Qt::WindowMinimized)) {
        m_mainWindow->showNormal();
    } else {
        m_mainWindow->show();
    }
    m_mainWindow->raise();
    m_mainWindow->requestActivate();
}

QWindow* QuorelApp::mainWindow() const {
    return m_mainWindow;
}

bool QuorelApp::eventFilter(QObject* watched, QEvent* event) {
    // Without a tray the main window is the only way in, so closing it means quitting. Asked
    // now, not at start: trays come and go while the app runs.
    if (watched == m_mainWindow && event->type() == QEvent::Close &&
        !QSystemTrayIcon::isSystemTrayAvailable()) {
        // The window stays until the guard lets the whole app go.
        event->ignore();
        requestQuit();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace Quorel
