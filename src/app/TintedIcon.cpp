// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "TintedIcon.h"

#include "IconRenderer.h"

#include <QPainter>
#include <QQuickWindow>

#include <cmath>

namespace Quorel {

TintedIcon::TintedIcon(QQuickItem* parent) : QQuickPaintedItem(parent) {
    setImplicitSize(16, 16);
}

void TintedIcon::setName(const QString& name) {
    if (name == m_name) {
        return;
    }
    m_name = name;
    emit nameChanged();
    update();
}

void TintedIcon::setColor(const QColor& color) {
    if (color == m_color) {
        return;
    }
    m_color = color;
    emit colorChanged();
    update();
}

void TintedIcon::paint(QPainter* painter) {
    const qreal ratio = window() != nullptr ? window()->effectiveDevicePixelRatio() : 1.0;
    const QSize pixels(static_cast<int>(std::ceil(width() * ratio)),
                       static_cast<int>(std::ceil(height() * ratio)));
    QImage image = renderIcon(m_name, pixels, m_color);
    if (image.isNull()) {
        return;
    }
    image.setDevicePixelRatio(ratio);
    painter->drawImage(QPointF(0, 0), image);
}

}  // namespace Quorel
