// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QtQml/qqmlregistration.h>
#include <QQuickPaintedItem>

namespace Quorel {

// The light edge of a glass card: a rounded outline drawn just inside the item's bounds, white
// fading from the top-left corner to the bottom-right. Qt Quick 6.4 has no gradient stroke.
class GlassRim : public QQuickPaintedItem {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(double radius READ radius WRITE setRadius NOTIFY appearanceChanged)
    Q_PROPERTY(double lineWidth READ lineWidth WRITE setLineWidth NOTIFY appearanceChanged)
    Q_PROPERTY(double startOpacity READ startOpacity WRITE setStartOpacity NOTIFY appearanceChanged)
    Q_PROPERTY(
        double middleOpacity READ middleOpacity WRITE setMiddleOpacity NOTIFY appearanceChanged)
    Q_PROPERTY(double endOpacity READ endOpacity WRITE setEndOpacity NOTIFY appearanceChanged)

public:
    explicit GlassRim(QQuickItem* parent = nullptr);

    double radius() const { return m_radius; }
    void setRadius(double radius);
    double lineWidth() const { return m_lineWidth; }
    void setLineWidth(double width);
    double startOpacity() const { return m_opacities[0]; }
    void setStartOpacity(double opacity);
    double middleOpacity() const { return m_opacities[1]; }
    void setMiddleOpacity(double opacity);
    double endOpacity() const { return m_opacities[2]; }
    void setEndOpacity(double opacity);

    void paint(QPainter* painter) override;

signals:
    void appearanceChanged();

private:
    void assign(double& field, double value);

    double m_radius = 18;
    double m_lineWidth = 1.1;
    double m_opacities[3] = {0.65, 0.22, 0.06};
};

}  // namespace Quorel
