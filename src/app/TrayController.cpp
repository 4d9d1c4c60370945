#include "TrayController.h"

#include "FocusManager.h"

#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPalette>
#include <QPixmap>
#include <QQuickView>
#include <QScreen>

namespace Quorel {

namespace {

// Most trays give an icon about this much height; the real slot is used once known.
constexpr int defaultIconHeight = 22;

// A click on the tray icon first takes focus from an open control window, which closes it;
// the click itself arrives just after and must not open it again.
constexpr qint64 reopenGuardMs = 300;

}  // namespace

TrayController::TrayController(FocusManager& manager, std::function<QQmlEngine&()> engine,
                               QObject* parent)
    : QObject(parent), m_manager(manager), m_engine(std::move(engine)), m_icon(this) {
    connect(&m_manager, &FocusManager::showInMenuBarChanged, this, &TrayController::refreshIcon);
    connect(&m_manager, &FocusManager::lockChanged, this, &TrayController::refreshIcon);
    connect(&m_manager, &FocusManager::countdownChanged, this, &TrayController::refreshIcon);
    connect(&m_manager, &FocusManager::workspaceLimitationChanged, this,
            &TrayController::refreshIcon);
    connect(&m_icon, &QSystemTrayIcon::activated, this, &TrayController::onActivated);
    refreshIcon();
}

TrayController::~TrayController() = default;

void TrayController::show() {
    m_icon.show();
}

void TrayController::refreshIcon() {
    const TrayLabel label = trayLabel(m_manager.showInMenuBar(), m_manager.isRunning(),
                                      m_manager.strictMode(), m_manager.remainingSeconds());
    const QString toolTip = trayToolTip(label, m_manager.workspaceLimitation());
    if (toolTip != m_icon.toolTip()) {
        m_icon.setToolTip(toolTip);
    }
    if (m_shown == label) {
        return;
    }
    const bool samePicture = m_shown && drawsTheSame(*m_shown, label);
    m_shown = label;
    if (samePicture) {
        return;
    }

    const qreal ratio = qApp->devicePixelRatio();
    const int slot =
        m_icon.geometry().height() > 0 ? m_icon.geometry().height() : defaultIconHeight;
    const QImage image =
        renderTrayIcon(label, static_cast<int>(slot * ratio), QGuiApplication::font(),
                       QGuiApplication::palette().color(QPalette::WindowText));
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setDevicePixelRatio(ratio);
    m_icon.setIcon(QIcon(pixmap));
}

void TrayController::onActivated(QSystemTrayIcon::ActivationReason reason) {
    if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::Context) {
        toggleControlWindow();
    }
}

void TrayController::toggleControlWindow() {
    QQuickView* window = controlWindow();
    if (window == nullptr) {
        return;
    }
    if (window->isVisible()) {
        window->hide();
        return;
    }
    if (m_sinceAutoClose.isValid() && m_sinceAutoClose.elapsed() < reopenGuardMs) {
        return;
    }
    const QRect anchor = m_icon.geometry();
    const QPoint cursor = QCursor::pos();
    QScreen* screen = QGuiApplication::screenAt(anchor.isEmpty() ? cursor : anchor.center());
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    window->setScreen(screen);
    window->setPosition(
        controlWindowPosition(anchor, cursor, window->size(), screen->availableGeometry()));
    window->show();
    window->raise();
    window->requestActivate();
}

QQuickView* TrayController::controlWindow() {
    if (m_controlWindow) {
        return m_controlWindow.get();
    }
    auto window = std::make_unique<QQuickView>(&m_engine(), nullptr);
    window->setTitle(QStringLiteral("Quorel"));
    window->setFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    window->setResizeMode(QQuickView::SizeViewToRootObject);
    window->setSource(QUrl(QStringLiteral("qrc:/qt/qml/Quorel/qml/MenuBarContentView.qml")));
    if (window->rootObject() == nullptr) {
        return nullptr;
    }
    // Like a menu: gone as soon as the user works elsewhere.
    QQuickView* view = window.get();
    connect(view, &QWindow::activeChanged, this, [this, view] {
        if (!view->isActive() && view->isVisible()) {
            view->hide();
            m_sinceAutoClose.start();
        }
    });
    connect(view, &QWindow::visibleChanged, this, [this](bool visible) {
        if (!visible) {
            emit controlWindowHidden();
        }
    });
    window->installEventFilter(this);
    m_controlWindow = std::move(window);
    emit controlWindowBuilt();
    return m_controlWindow.get();
}

bool TrayController::eventFilter(QObject* watched, QEvent* event) {
    if (m_controlWindow && watched == m_controlWindow.get() && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        m_controlWindow->hide();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void TrayController::hideControlWindow() {
    if (m_controlWindow) {
        m_controlWindow->hide();
    }
}

bool TrayController::isControlWindowVisible() const {
    return m_controlWindow && m_controlWindow->isVisible();
}

void TrayController::releaseControlWindow() {
    m_controlWindow.reset();
}

}  // namespace Quorel
