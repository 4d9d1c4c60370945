// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "GlassRim.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPen>

#include <algorithm>

namespace Quorel {

GlassRim::GlassRim(QQuickItem* parent) : QQuickPaintedItem(parent) {
    setAntialiasing(true);
}

void GlassRim::assign(double& field, double value) {
    if (field == value) {
        return;
    }
    field = value;
    emit appearanceChanged();
    update();
}

void GlassRim::setRadius(double radius) {
    assign(m_radius, radius);
}

void GlassRim::setLineWidth(double width) {
    assign(m_lineWidth, width);
}

void GlassRim::setStartOpacity(double opacity) {
    assign(m_opacities[0], opacity);
}

void GlassRim::setMiddleOpacity(double opacity) {
    assign(m_opacities[1], opacity);
}

void GlassRim::setEndOpacity(double opacity) {
    assign(m_opacities[2], opacity);
}

void GlassRim::paint(QPainter* painter) {
    if (m_lineWidth <= 0 || width() <= m_lineWidth || height() <= m_lineWidth) {
        return;
    }
    // The stroke is centred on the outline, so inset it by half its width to stay inside.
    const double inset = m_lineWidth / 2;
    const QRectF outline = QRectF(0, 0, width(), height()).adjusted(inset, inset, -inset, -inset);
    const double radius =
        std::clamp(m_radius - inset, 0.0, std::min(outline.width(), outline.height()) / 2);
    QLinearGradient fade(outline.topLeft(), outline.bottomRight());
    const auto white = [](double opacity) {
        return QColor::fromRgbF(1, 1, 1, static_cast<float>(opacity));
    };
    fade.setColorAt(0, white(m_opacities[0]));
    fade.setColorAt(0.5, white(m_opacities[1]));
    fade.setColorAt(1, white(m_opacities[2]));

    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(QPen(QBrush(fade), m_lineWidth));
    painter->setBrush(Qt::NoBrush);
    painter->drawRoundedRect(outline, radius, radius);
}

}  // namespace Quorel
