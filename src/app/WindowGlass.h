// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "ThemeStyle.h"
#include "WindowCompositor.h"

#include <QtQml/qqmlregistration.h>
#include <QColor>
#include <QQuickItem>

namespace Quorel {

// Makes the hosting window see-through while the glass look is on, as far as the desktop
// allows: opaque without a compositor, translucent with one, and blurred behind on KWin. It
// draws nothing; the views read `step` to know how much background to paint themselves.
//
// The adjustment runs one main-loop turn after any change, once the item sits in its window.
class WindowGlass : public QQuickItem {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(bool glassEnabled READ glassEnabled WRITE setGlassEnabled NOTIFY glassEnabledChanged)
    // The window's own background while it is not see-through (the system window background).
    Q_PROPERTY(QColor windowColor READ windowColor WRITE setWindowColor NOTIFY windowColorChanged)
    // The window is see-through now: the views paint their backdrop at backdropOpacity.
    Q_PROPERTY(bool translucent READ translucent NOTIFY stepChanged)
    Q_PROPERTY(bool blurred READ blurred NOTIFY stepChanged)
    Q_PROPERTY(double backdropOpacity READ backdropOpacity NOTIFY stepChanged)

public:
    explicit WindowGlass(QQuickItem* parent = nullptr);
    ~WindowGlass() override;

    bool glassEnabled() const { return m_glassEnabled; }
    void setGlassEnabled(bool enabled);
    QColor windowColor() const { return m_windowColor; }
    void setWindowColor(const QColor& color);
    bool translucent() const { return m_step != WindowGlassStep::Opaque; }
    bool blurred() const { return m_step == WindowGlassStep::Blurred; }
    double backdropOpacity() const { return Quorel::backdropOpacity(m_step); }

    // The desktop every WindowGlass asks from then on; nullptr means none, so windows stay
    // opaque. Set before the views load; the compositor must outlive them.
    static void setCompositor(WindowCompositor* compositor);

signals:
    void glassEnabledChanged();
    void windowColorChanged();
    void stepChanged();

protected:
    void componentComplete() override;
    void itemChange(ItemChange change, const ItemChangeData& data) override;

private:
    void scheduleAdjustment();
    void adjustWindow();
    void requestAlphaChannel(QQuickWindow* window);

    bool m_glassEnabled = false;
    QColor m_windowColor = Qt::black;
    WindowGlassStep m_step = WindowGlassStep::Opaque;
    bool m_blurRequested = false;
    bool m_adjustmentScheduled = false;
    QMetaObject::Connection m_visibleConnection;
    QMetaObject::Connection m_activeConnection;
};

}  // namespace Quorel
