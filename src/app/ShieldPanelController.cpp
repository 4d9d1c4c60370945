// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ShieldPanelController.h"

#include "ShieldWindowHints.h"

#include <QCursor>
#include <QGuiApplication>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QScreen>

#include <algorithm>

namespace Quorel {

ShieldPanelController::ShieldPanelController(ShieldWindowHints* hints, SteadyClock now)
    : m_hints(hints), m_now(std::move(now)) {
    m_release.setSingleShot(true);
    m_release.setInterval(releaseDelay);
    m_release.callOnTimeout([this] {
        if (m_panel != nullptr && !m_panel->isVisible()) {
            m_panel.reset();
        }
    });
}

ShieldPanelController::~ShieldPanelController() = default;

void ShieldPanelController::show(const QString& targetName, FocusManager&) {
    const auto now = m_now();
    const bool visible = m_panel != nullptr && m_panel->isVisible();
    if (visible && targetName == m_lastShownTarget && now - m_lastShownAt < throttle) {
        return;
    }
    m_lastShownTarget = targetName;
    m_lastShownAt = now;

    if (m_panel == nullptr) {
        createPanel();
    }
    if (QQuickItem* root = m_panel->rootObject()) {
        root->setProperty("targetName", targetName);
    }
    fitToContent();
    centre();
    if (visible) {
        m_panel->raise();
        return;
    }
    // Closing the panel from its frame destroys the native window, so the hints go to the
    // window as it is now.
    if (m_hints != nullptr) {
        m_hints->beforeShow(*m_panel);
    }
    m_panel->show();
    m_panel->raise();
    if (m_hints != nullptr) {
        m_hints->afterShow(*m_panel);
    }
}

void ShieldPanelController::createPanel() {
    m_panel = std::make_unique<QQuickView>();
    QObject::connect(m_panel.get(), &QWindow::visibleChanged, &m_release,
                     [this](bool visible) { visible ? m_release.stop() : m_release.start(); });
    m_panel->engine()->addImportPath(QStringLiteral("qrc:/qt/qml"));
    m_panel->setTitle(QStringLiteral("Quorel Shield"));
    m_panel->setFlags(Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus);
    // QWindow's spelling of Qt::WA_ShowWithoutActivating, which the xcb plugin reads.
    m_panel->setProperty("_q_showWithoutActivating", true);
    m_panel->setResizeMode(QQuickView::SizeRootObjectToView);
    m_panel->setSource(QUrl(QStringLiteral("qrc:/qt/qml/Quorel/qml/ShieldPanel.qml")));
    QQuickItem* root = m_panel->rootObject();
    if (root == nullptr) {
        for (const QQmlError& error : m_panel->errors()) {
            qWarning("Quorel: the shield did not load: %s", qPrintable(error.toString()));
        }
        return;
    }
    // Wrapped lines are only known once the card is laid out, after the window shows.
    QObject::connect(root, &QQuickItem::implicitHeightChanged, m_panel.get(), [this] {
        if (fitToContent() && m_panel->isVisible()) {
            centre();
        }
    });
}

bool ShieldPanelController::fitToContent() {
    const QQuickItem* root = m_panel->rootObject();
    const int height = root != nullptr ? qRound(root->implicitHeight()) : 0;
    // Fixed, unless the texts need more lines than the card has room for.
    const QSize size(panelSize.width(), std::max(panelSize.height(), height));
    if (size == m_panel->size() && size == m_panel->minimumSize()) {
        return false;
    }
    m_panel->setMinimumSize(size);
    m_panel->setMaximumSize(size);
    m_panel->resize(size);
    return true;
}

void ShieldPanelController::centre() {
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    if (screen == nullptr) {
        return;
    }
    const QRect area = screen->availableGeometry();
    m_panel->setScreen(screen);
    m_panel->setPosition(area.x() + (area.width() - m_panel->width()) / 2,
                         area.y() + (area.height() - m_panel->height()) / 2);
}

}  // namespace Quorel
