// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ThemeStyle.h"

#include <algorithm>

namespace Quorel {

RgbaColor namedColor(NamedColor name) {
    switch (name) {
        case NamedColor::Blue:
            return {0.23, 0.56, 0.97};
        case NamedColor::Cyan:
            return {0.20, 0.78, 0.91};
        case NamedColor::Purple:
            return {0.66, 0.36, 0.94};
        case NamedColor::Indigo:
            return {0.39, 0.40, 0.95};
        case NamedColor::Mint:
            return {0.24, 0.87, 0.72};
        case NamedColor::Teal:
            return {0.17, 0.70, 0.70};
        case NamedColor::Orange:
            return {1.00, 0.55, 0.10};
        case NamedColor::Pink:
            return {0.95, 0.31, 0.49};
        case NamedColor::Red:
            return {1.00, 0.27, 0.23};
        case NamedColor::Green:
            return {0.19, 0.82, 0.35};
        case NamedColor::Grey:
            return {0.56, 0.56, 0.58};
    }
    return {};
}

RgbaColor themeAccent(AppColorTheme theme) {
    switch (theme) {
        case AppColorTheme::Ocean:
            return {0.18, 0.52, 0.98};
        case AppColorTheme::Aurora:
            return {0.56, 0.34, 0.96};
        case AppColorTheme::Emerald:
            return {0.12, 0.72, 0.52};
        case AppColorTheme::Sunset:
            return {0.95, 0.48, 0.18};
        case AppColorTheme::Rose:
            return {0.92, 0.30, 0.54};
    }
    return {};
}

std::array<RgbaColor, 2> themeGlowColors(AppColorTheme theme) {
    const auto glow = [](NamedColor first, double firstOpacity, NamedColor second) {
        return std::array<RgbaColor, 2>{namedColor(first).withAlpha(firstOpacity),
                                        namedColor(second).withAlpha(0.14)};
    };
    switch (theme) {
        case AppColorTheme::Ocean:
            return glow(NamedColor::Blue, 0.22, NamedColor::Cyan);
        case AppColorTheme::Aurora:
            return glow(NamedColor::Purple, 0.24, NamedColor::Indigo);
        case AppColorTheme::Emerald:
            return glow(NamedColor::Mint, 0.22, NamedColor::Teal);
        case AppColorTheme::Sunset:
            return glow(NamedColor::Orange, 0.22, NamedColor::Pink);
        case AppColorTheme::Rose:
            return glow(NamedColor::Pink, 0.24, NamedColor::Purple);
    }
    return {};
}

double effectiveGlassTransparency(double transparency) {
    // NaN would pass through std::clamp; it reads as the most solid card.
    if (!(transparency >= 0.05)) {
        return 0.05;
    }
    return std::min(transparency, 0.85);
}

CardStyle cardStyle(bool glass, double transparency, double cornerRadius) {
    CardStyle style;
    style.glass = glass;
    if (!glass) {
        style.cornerRadius = 14;
        style.borderWidth = 1;
        style.borderOpacity = 0.2;
        return style;
    }
    const double a = effectiveGlassTransparency(transparency);
    style.cornerRadius = cornerRadius;
    style.materialOpacity = 1 - 0.55 * a;
    style.hazeOpacity = (1 - a) * 0.14;
    style.rimWidth = 1.1;
    style.rimOpacities = {0.65, 0.22, 0.06};
    style.shadowOpacity = 0.08;
    style.shadowBlur = 16;
    style.shadowOffsetY = 6;
    return style;
}

WindowGlassStep windowGlassStep(bool glassEnabled, DesktopCompositing desktop) {
    if (!glassEnabled || !desktop.compositorActive) {
        return WindowGlassStep::Opaque;
    }
    return desktop.blurBehindSupported ? WindowGlassStep::Blurred : WindowGlassStep::Translucent;
}

double backdropOpacity(WindowGlassStep step) {
    switch (step) {
        case WindowGlassStep::Opaque:
            return 1;
        case WindowGlassStep::Translucent:
            return 0.92;
        case WindowGlassStep::Blurred:
            return 0.78;
    }
    return 1;
}

}  // namespace Quorel
