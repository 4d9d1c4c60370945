// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QtQml/qqmlregistration.h>
#include <QObject>

namespace Quorel {

// The numbers one card is drawn with, for GlassCard.qml: give it the card's three settings and
// bind the drawing to the rest.
class CardMetrics : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(bool glass READ glass WRITE setGlass NOTIFY changed)
    Q_PROPERTY(double transparency READ transparency WRITE setTransparency NOTIFY changed)
    Q_PROPERTY(double cornerRadius READ cornerRadius WRITE setCornerRadius NOTIFY changed)

    // The radius actually drawn: the one asked for on glass, always 14 on a plain card.
    Q_PROPERTY(double radius READ radius NOTIFY changed)
    Q_PROPERTY(double materialOpacity READ materialOpacity NOTIFY changed)
    Q_PROPERTY(double hazeOpacity READ hazeOpacity NOTIFY changed)
    Q_PROPERTY(double rimWidth READ rimWidth NOTIFY changed)
    Q_PROPERTY(double rimStartOpacity READ rimStartOpacity NOTIFY changed)
    Q_PROPERTY(double rimMiddleOpacity READ rimMiddleOpacity NOTIFY changed)
    Q_PROPERTY(double rimEndOpacity READ rimEndOpacity NOTIFY changed)
    Q_PROPERTY(double shadowOpacity READ shadowOpacity NOTIFY changed)
    Q_PROPERTY(double shadowBlur READ shadowBlur NOTIFY changed)
    Q_PROPERTY(double shadowOffsetY READ shadowOffsetY NOTIFY changed)
    Q_PROPERTY(double borderWidth READ borderWidth NOTIFY changed)
    Q_PROPERTY(double borderOpacity READ borderOpacity NOTIFY changed)

public:
    explicit CardMetrics(QObject* parent = nullptr);

    bool glass() const { return m_glass; }
    void setGlass(bool glass);
    double transparency() const { return m_transparency; }
    void setTransparency(double transparency);
    double cornerRadius() const { return m_cornerRadius; }
    void setCornerRadius(double radius);

    double radius() const;
    double materialOpacity() const;
    double hazeOpacity() const;
    double rimWidth() const;
    double rimStartOpacity() const;
    double rimMiddleOpacity() const;
    double rimEndOpacity() const;
    double shadowOpacity() const;
    double shadowBlur() const;
    double shadowOffsetY() const;
    double borderWidth() const;
    double borderOpacity() const;

signals:
    void changed();

private:
    bool m_glass = false;
    double m_transparency = 0;
    double m_cornerRadius = 18;
};

}  // namespace Quorel
