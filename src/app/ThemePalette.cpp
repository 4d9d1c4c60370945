// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ThemePalette.h"

#include "ThemeStyle.h"

namespace Quorel {

namespace {

QColor toColor(const RgbaColor& c) {
    return QColor::fromRgbF(static_cast<float>(c.red), static_cast<float>(c.green),
                            static_cast<float>(c.blue), static_cast<float>(c.alpha));
}

}  // namespace

ThemePalette::ThemePalette(QObject* parent) : QObject(parent) {}

QColor ThemePalette::accent(AppColorTheme theme) const {
    return toColor(themeAccent(theme));
}

QColor ThemePalette::glowStart(AppColorTheme theme) const {
    return toColor(themeGlowColors(theme)[0]);
}

QColor ThemePalette::glowEnd(AppColorTheme theme) const {
    return toColor(themeGlowColors(theme)[1]);
}

QString ThemePalette::title(AppColorTheme theme) const {
    return rawValue(theme);
}

QColor ThemePalette::red() const {
    return toColor(namedColor(NamedColor::Red));
}

QColor ThemePalette::green() const {
    return toColor(namedColor(NamedColor::Green));
}

QColor ThemePalette::grey() const {
    return toColor(namedColor(NamedColor::Grey));
}

}  // namespace Quorel
