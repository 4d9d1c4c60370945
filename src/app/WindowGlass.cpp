// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "WindowGlass.h"

#include <QQuickWindow>
#include <QSurfaceFormat>

namespace Quorel {

namespace {

WindowCompositor* installedCompositor = nullptr;

WindowCompositor& compositor() {
    static NullWindowCompositor none;
    return installedCompositor != nullptr ? *installedCompositor : none;
}

}  // namespace

WindowGlass::WindowGlass(QQuickItem* parent) : QQuickItem(parent) {}

WindowGlass::~WindowGlass() = default;

void WindowGlass::setCompositor(WindowCompositor* compositor) {
    installedCompositor = compositor;
}

void WindowGlass::setGlassEnabled(bool enabled) {
    if (enabled == m_glassEnabled) {
        return;
    }
    m_glassEnabled = enabled;
    emit glassEnabledChanged();
    scheduleAdjustment();
}

void WindowGlass::setWindowColor(const QColor& color) {
    if (color == m_windowColor) {
        return;
    }
    m_windowColor = color;
    emit windowColorChanged();
    scheduleAdjustment();
}

void WindowGlass::componentComplete() {
    QQuickItem::componentComplete();
    requestAlphaChannel(window());
    scheduleAdjustment();
}

void WindowGlass::itemChange(ItemChange change, const ItemChangeData& data) {
    QQuickItem::itemChange(change, data);
    if (change != ItemSceneChange) {
        return;
    }
    disconnect(m_visibleConnection);
    disconnect(m_activeConnection);
    m_blurRequested = false;
    if (data.window != nullptr) {
        requestAlphaChannel(data.window);
        // Showing the window gives it the native handle the blur request needs. A compositor
        // may start or stop while the window is hidden or in the background; looking again
        // when the user comes back costs one round trip.
        m_visibleConnection =
            connect(data.window, &QWindow::visibleChanged, this, &WindowGlass::scheduleAdjustment);
        m_activeConnection =
            connect(data.window, &QWindow::activeChanged, this, &WindowGlass::scheduleAdjustment);
    }
    scheduleAdjustment();
}

void WindowGlass::requestAlphaChannel(QQuickWindow* window) {
    // The visual is chosen when the native window is made; later it is too late, and the window
    // then simply stays opaque.
    if (window == nullptr || window->handle() != nullptr) {
        return;
    }
    QSurfaceFormat format = window->format();
    if (format.alphaBufferSize() < 8) {
        format.setAlphaBufferSize(8);
        window->setFormat(format);
    }
}

void WindowGlass::scheduleAdjustment() {
    if (m_adjustmentScheduled) {
        return;
    }
    m_adjustmentScheduled = true;
    QMetaObject::invokeMethod(this, &WindowGlass::adjustWindow, Qt::QueuedConnection);
}

void WindowGlass::adjustWindow() {
    m_adjustmentScheduled = false;
    QQuickWindow* host = window();
    if (host == nullptr) {
        return;
    }
    WindowCompositor& desktop = compositor();
    const bool alphaChannel = host->requestedFormat().alphaBufferSize() > 0;
    const DesktopCompositing capabilities =
        m_glassEnabled && alphaChannel ? desktop.capabilities() : DesktopCompositing{};
    const WindowGlassStep step = windowGlassStep(m_glassEnabled, capabilities);

    host->setColor(step == WindowGlassStep::Opaque ? m_windowColor : QColor(Qt::transparent));
    const bool blur = step == WindowGlassStep::Blurred;
    if (blur != m_blurRequested && host->handle() != nullptr) {
        desktop.setBlurBehind(*host, blur);
        m_blurRequested = blur;
    }
    if (step != m_step) {
        m_step = step;
        emit stepChanged();
    }
}

}  // namespace Quorel
