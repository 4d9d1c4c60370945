// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "CardMetrics.h"

#include "ThemeStyle.h"

namespace Quorel {

CardMetrics::CardMetrics(QObject* parent) : QObject(parent) {}

void CardMetrics::setGlass(bool glass) {
    if (glass != m_glass) {
        m_glass = glass;
        emit changed();
    }
}

void CardMetrics::setTransparency(double transparency) {
    if (!qFuzzyCompare(transparency, m_transparency)) {
        m_transparency = transparency;
        emit changed();
    }
}

void CardMetrics::setCornerRadius(double radius) {
    if (!qFuzzyCompare(radius, m_cornerRadius)) {
        m_cornerRadius = radius;
        emit changed();
    }
}

double CardMetrics::radius() const {
    return cardStyle(m_glass, m_transparency, m_cornerRadius).cornerRadius;
}

double CardMetrics::materialOpacity() const {
    return cardStyle(m_glass, m_transparency, m_cornerRadius).materialOpacity;
}

double CardMetrics::hazeOpacity() const {
    return cardStyle(m_glass, m_transparency, m_cornerRadius).hazeOpacity;
}

double CardMetrics::rimWidth() const {
    return cardStyle(m_glass, m_transparency, m_cornerRadius).rimWidth;
}

double CardMetrics::rimStartOpacity() const {
    return cardStyle(m_glass, m_transparency, m_cornerRadius).rimOpacities[0];
}

double CardMetrics::rimMiddleOpacity() const {
    return cardStyle(m_glass, m_transparency, m_cornerRadius).rimOpacities[1];
}

double CardMetrics::rimEndOpacity() const {
    return cardStyle(m_glass, m_transparency, m_cornerRadius).rimOpacities[2];
}

double CardMetrics::shadowOpacity() const {
    return cardStyle(m_glass, m_transparency, m_cornerRadius).shadowOpacity;
}

double CardMetrics::shadowBlur() const {
    return cardStyle(m_glass, m_transparency, m_cornerRadius).shadowBlur;
}

double CardMetrics::shadowOffsetY() const {
    return cardStyle(m_glass, m_transparency, m_cornerRadius).shadowOffsetY;
}

double CardMetrics::borderWidth() const {
    return cardStyle(m_glass, m_transparency, m_cornerRadius).borderWidth;
}

double CardMetrics::borderOpacity() const {
    return cardStyle(m_glass, m_transparency, m_cornerRadius).borderOpacity;
}

}  // namespace Quorel
