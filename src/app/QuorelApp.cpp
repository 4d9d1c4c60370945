// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "QuorelApp.h"

#include "AppShell.h"
#include "BridgeFeed.h"
#include "BridgeServer.h"
#include "BridgeThread.h"
#include "QuitGuard.h"
#include "TrayController.h"
#include "WorkingSet.h"
#include "ports/LoginStart.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QLabel>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QPushButton>
#include <QQuickWindow>
#include <QSessionManager>
#include <QWindow>

#include <malloc.h>

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
    feedBridge(*m_bridge, *m_manager);
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

QuorelApp::Launch QuorelApp::launchFor(const QStringList& arguments) {
    return arguments.contains(loginStartArgument) ? Launch::AtLogin : Launch::ByUser;
}

bool QuorelApp::start(Launch launch) {
    m_release.setSingleShot(true);
    m_release.setInterval(releaseDelayMs);
    connect(&m_release, &QTimer::timeout, this, &QuorelApp::releaseViewsIfHidden);

    // Shown whether or not a tray runs yet: at login the tray often starts after us, and Qt
    // docks a shown icon as soon as one appears.
    m_tray = std::make_unique<TrayController>(
        *m_manager, [this]() -> QQmlEngine& { return engine(); }, this);
    connect(m_tray.get(), &TrayController::controlWindowBuilt, this, &QuorelApp::wireShell);
    connect(m_tray.get(), &TrayController::controlWindowHidden, &m_release,
            qOverload<>(&QTimer::start));
    connect(m_tray.get(), &TrayController::mainWindowRequested, this, &QuorelApp::showMainWindow);
    connect(m_tray.get(), &TrayController::quitRequested, this, &QuorelApp::requestQuit);
    m_tray->show();
    connect(qApp, &QGuiApplication::commitDataRequest, this, &QuorelApp::onCommitDataRequest);
    // The seconds counted since the last periodic save go with us otherwise.
    connect(qApp, &QCoreApplication::aboutToQuit, m_manager.get(), &FocusManager::saveState);

    if (launch == Launch::AtLogin) {
        waitForTrayAtLogin();
        return true;
    }
    if (!buildMainWindow()) {
        return false;
    }
    showMainWindow();
    return true;
}

void QuorelApp::waitForTrayAtLogin() {
    if (m_tray->isAvailable()) {
        return;
    }
    m_loginWait.setSingleShot(true);
    m_loginWait.setInterval(loginTrayWait);
    connect(&m_loginWait, &QTimer::timeout, this, [this] {
        if (!m_tray->isAvailable()) {
            showMainWindow();
        }
    });
    connect(m_tray.get(), &TrayController::availabilityChanged, &m_loginWait, [this] {
        if (m_tray->isAvailable()) {
            m_loginWait.stop();
        }
    });
    m_loginWait.start();
}

QQmlApplicationEngine& QuorelApp::engine() {
    if (!m_engine) {
        m_engine = std::make_unique<QQmlApplicationEngine>();
        m_engine->addImportPath(QStringLiteral("qrc:/qt/qml"));
    }
    return *m_engine;
}

void QuorelApp::wireShell() {
    AppShell* shell = m_engine && !m_shellWired ? AppShell::of(*m_engine) : nullptr;
    if (shell == nullptr) {
        return;
    }
    connect(shell, &AppShell::mainWindowRequested, this, &QuorelApp::showMainWindow);
    connect(shell, &AppShell::quitRequested, this, &QuorelApp::requestQuit);
    m_shellWired = true;
}

bool QuorelApp::buildMainWindow() {
    if (m_mainWindow != nullptr) {
        return true;
    }
    if (!m_sinceAsked.isValid()) {
        m_sinceAsked.start();
    }
    QQmlApplicationEngine& views = engine();
    const qsizetype loaded = views.rootObjects().size();
    views.load(QUrl(QStringLiteral("qrc:/qt/qml/Quorel/qml/MainWindow.qml")));
    const QList<QObject*> roots = views.rootObjects();
    m_mainWindow = roots.size() > loaded ? qobject_cast<QQuickWindow*>(roots.constLast()) : nullptr;
    wireShell();
    if (m_mainWindow == nullptr || !m_shellWired) {
        return false;
    }
    if (m_mainGeometry.isValid()) {
        m_mainWindow->setGeometry(m_mainGeometry);
    }
    // For start-up measurements: QT_LOGGING_RULES="quorel.startup.info=true".
    connect(
        m_mainWindow, &QQuickWindow::frameSwapped, this,
        [this] {
            qCInfo(lcStartup,
                   "first frame at %lld ms since the epoch, %lld ms after it was asked for",
                   static_cast<long long>(QDateTime::currentMSecsSinceEpoch()),
                   static_cast<long long>(m_sinceAsked.elapsed()));
            m_sinceAsked.invalidate();
        },
        Qt::SingleShotConnection);
    connect(m_mainWindow, &QWindow::visibleChanged, this, [this](bool visible) {
        if (!visible) {
            m_release.start();
        }
    });
    m_mainWindow->installEventFilter(this);
    return true;
}

// Closed windows cost nothing but memory, and the views hold most of it.
void QuorelApp::releaseViewsIfHidden() {
    // A quit refusal shown from a view runs inside that view's handler.
    if (!m_engine || m_showingRefusal || (m_mainWindow != nullptr && m_mainWindow->isVisible()) ||
        m_tray->isControlWindowVisible()) {
        return;
    }
    if (m_mainWindow != nullptr) {
        m_mainGeometry = m_mainWindow->geometry();
    }
    m_tray->releaseControlWindow();
    m_engine.reset();
    m_shellWired = false;
    // Freed, the views' memory would stay with the process in the allocator's free lists, and
    // the code that drew them resident until the system ran short.
    malloc_trim(0);
    trimWorkingSet();
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
    // Kept above the main window by the window manager, like any dialog of it, and above the
    // shield, which stays on top of everything else.
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    if (m_mainWindow != nullptr && m_mainWindow->isVisible()) {
        box.winId();
        box.windowHandle()->setTransientParent(m_mainWindow);
    }
    box.exec();
    m_showingRefusal = false;
    m_release.start();  // the views were kept while the box showed
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
    m_release.stop();
    if (!buildMainWindow()) {
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
    // Closing the window never ends focus: without a tray (asked now, trays come and go) the
    // user is told once how the window comes back.
    if (watched == m_mainWindow && event->type() == QEvent::Close && !m_tray->isAvailable() &&
        !m_toldHowToComeBack) {
        m_toldHowToComeBack = true;
        QTimer::singleShot(0, this, &QuorelApp::tellHowToComeBack);
    }
    return QObject::eventFilter(watched, event);
}

void QuorelApp::tellHowToComeBack() {
    auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("Quorel Keeps Running"),
                                QStringLiteral("Quorel Keeps Running"), QMessageBox::Ok);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setInformativeText(
        QStringLiteral("Focus, blocking and screen time go on with the window closed. To open "
                       "it again, start Quorel from your applications menu."));
    box->setWindowFlag(Qt::WindowStaysOnTopHint);
    box->open();
}

}  // namespace Quorel
