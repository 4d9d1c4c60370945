// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "TrayController.h"

#include "FocusManager.h"
#include "StatusNotifierItem.h"

#include <QCursor>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPalette>
#include <QPixmap>
#include <QQuickView>
#include <QScreen>
#include <QtEndian>

namespace Quorel {

namespace {

// Most trays give an icon about this much height; the real slot is used once known.
constexpr int defaultIconHeight = 22;

// A click on the tray icon first takes focus from an open control window, which closes it;
// the click itself arrives just after and must not open it again.
constexpr qint64 reopenGuardMs = 300;

// Pictures for trays that scale what they are given: a plain and a high-density slot.
constexpr int itemIconSizes[] = {22, 44};

// Whether Qt would put a tray icon made now on D-Bus, by Qt's own test: a watcher that says a
// host shows items. Qt asks once per process and keeps the answer, so an icon made while this
// holds would stand beside our item on every such tray.
bool qtWouldUseDBus(const QDBusConnection& bus) {
    if (!bus.isConnected()) {
        return false;
    }
    const QDBusMessage reply = bus.call(hostRegisteredQuery(), QDBus::Block, 2000);
    return reply.type() == QDBusMessage::ReplyMessage &&
           reply.arguments().value(0).value<QDBusVariant>().variant().toBool();
}

TrayPixmap trayPixmap(const QImage& image) {
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    TrayPixmap pixmap{argb.width(), argb.height(), {}};
    pixmap.argb.reserve(argb.width() * argb.height() * 4);
    for (int y = 0; y < argb.height(); ++y) {
        const auto* line = reinterpret_cast<const quint32*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            const quint32 pixel = qToBigEndian(line[x]);
            pixmap.argb.append(reinterpret_cast<const char*>(&pixel), sizeof pixel);
        }
    }
    return pixmap;
}

}  // namespace

TrayController::TrayController(FocusManager& manager, std::function<QQmlEngine&()> engine,
                               QObject* parent)
    : QObject(parent),
      m_manager(manager),
      m_engine(std::move(engine)),
      m_item(StatusNotifierItem::create(QDBusConnection::sessionBus(), QStringLiteral("quorel"))),
      // No XEmbed on Wayland, where Qt's icon could only be a second D-Bus item.
      m_iconPossible(!QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
    connect(&m_manager, &FocusManager::countdownInTrayChanged, this, &TrayController::refreshIcon);
    connect(&m_manager, &FocusManager::lockChanged, this, &TrayController::refreshIcon);
    connect(&m_manager, &FocusManager::countdownChanged, this, &TrayController::refreshIcon);
    connect(&m_manager, &FocusManager::workspaceLimitationChanged, this,
            &TrayController::refreshIcon);
    connect(&m_manager, &FocusManager::lockChanged, this, &TrayController::refreshMenu);
    connect(&m_manager, &FocusManager::isBreakChanged, this, &TrayController::refreshMenu);
    connect(&m_manager, &FocusManager::selectedPresetChanged, this, &TrayController::refreshMenu);
    if (m_item) {
        m_item->setTitle(QStringLiteral("Quorel"));
        connect(m_item.get(), &StatusNotifierItem::shownChanged, this,
                &TrayController::onItemShown);
        connect(m_item.get(), &StatusNotifierItem::activated, this, [this](const QPoint& at) {
            // Hosts that cannot tell where the click was say 0, 0.
            toggleControlWindow(at.isNull() ? QRect() : QRect(at, QSize(1, 1)));
        });
        connect(m_item.get(), &StatusNotifierItem::menuEntryTriggered, this,
                &TrayController::triggerMenuEntry);
    }
    ensureXEmbedIcon();
    refreshIcon();
    refreshMenu();
}

TrayController::~TrayController() = default;

void TrayController::show() {
    m_showRequested = true;
    ensureXEmbedIcon();
    if (m_icon && !(m_item && m_item->isShown())) {
        m_icon->show();
    }
}

bool TrayController::isAvailable() const {
    return (m_item && m_item->isShown()) || (m_icon && QSystemTrayIcon::isSystemTrayAvailable());
}

void TrayController::ensureXEmbedIcon() {
    if (m_icon || !m_iconPossible || (m_item && qtWouldUseDBus(QDBusConnection::sessionBus()))) {
        return;
    }
    m_icon = std::make_unique<QSystemTrayIcon>(this);
    connect(m_icon.get(), &QSystemTrayIcon::activated, this, &TrayController::onActivated);
    m_icon->setIcon(m_picture);
    if (m_shown) {
        m_icon->setToolTip(trayToolTip(*m_shown, m_manager.workspaceLimitation()));
    }
}

void TrayController::onItemShown(bool shown) {
    if (shown) {
        if (m_icon) {
            m_icon->hide();
        }
    } else if (m_showRequested) {
        // The tray of the item went away: an XEmbed tray may still be there.
        ensureXEmbedIcon();
        if (m_icon) {
            m_icon->show();
        }
    }
    emit availabilityChanged();
}

void TrayController::refreshIcon() {
    const TrayLabel label = trayLabel(m_manager.countdownInTray(), m_manager.isRunning(),
                                      m_manager.strictMode(), m_manager.remainingSeconds());
    const QString toolTip = trayToolTip(label, m_manager.workspaceLimitation());
    if (m_icon && toolTip != m_icon->toolTip()) {
        m_icon->setToolTip(toolTip);
    }
    if (m_item) {
        m_item->setToolTip(label.title, m_manager.workspaceLimitation());
    }
    if (m_shown == label) {
        return;
    }
    const bool samePicture = m_shown && drawsTheSame(*m_shown, label);
    m_shown = label;
    if (samePicture) {
        return;
    }

    const QFont font = QGuiApplication::font();
    const QColor color = QGuiApplication::palette().color(QPalette::WindowText);
    const qreal ratio = qApp->devicePixelRatio();
    const int slot =
        m_icon && m_icon->geometry().height() > 0 ? m_icon->geometry().height() : defaultIconHeight;
    QPixmap pixmap =
        QPixmap::fromImage(renderTrayIcon(label, static_cast<int>(slot * ratio), font, color));
    pixmap.setDevicePixelRatio(ratio);
    m_picture = QIcon(pixmap);
    if (m_icon) {
        m_icon->setIcon(m_picture);
    }
    if (m_item) {
        TrayPixmaps pixmaps;
        for (const int size : itemIconSizes) {
            pixmaps.append(trayPixmap(renderTrayIcon(label, size, font, color)));
        }
        m_item->setIcon(pixmaps);
    }
}

void TrayController::refreshMenu() {
    m_menu = trayMenu(m_manager.isRunning(), m_manager.isBreak(), m_manager.strictMode(),
                      m_manager.selectedPreset());
    if (!m_item) {
        return;
    }
    QList<TrayMenuEntry> entries;
    for (qsizetype i = 0; i < m_menu.size(); ++i) {
        const TrayMenuItem& item = m_menu[i];
        entries.append({.id = static_cast<int>(i) + 1,
                        .label = item.label,
                        .enabled = item.enabled,
                        .separator = item.label.isEmpty()});
    }
    m_item->setMenu(entries);
}

void TrayController::triggerMenuEntry(int id) {
    if (id < 1 || id > m_menu.size() || !m_menu[id - 1].enabled) {
        return;
    }
    switch (m_menu[id - 1].action) {
        case TrayAction::StartPause:
            m_manager.toggleStartPause();
            break;
        case TrayAction::Reset:
            m_manager.resetTimer();
            break;
        case TrayAction::OpenWindow:
            emit mainWindowRequested();
            break;
        case TrayAction::Quit:
            emit quitRequested();
            break;
        case TrayAction::None:
            break;
    }
}

void TrayController::onActivated(QSystemTrayIcon::ActivationReason reason) {
    if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::Context) {
        toggleControlWindow(m_icon ? m_icon->geometry() : QRect());
    }
}

void TrayController::toggleControlWindow(const QRect& anchor) {
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
    window->setSource(QUrl(QStringLiteral("qrc:/qt/qml/Quorel/qml/TrayContentView.qml")));
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
