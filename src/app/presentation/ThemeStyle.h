// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "Models.h"

#include <array>

namespace Quorel {

// An sRGB colour as fractions from 0 to 1, so the engine can name colours without Qt Gui.
struct RgbaColor {
    double red = 0;
    double green = 0;
    double blue = 0;
    double alpha = 1;

    RgbaColor withAlpha(double opacity) const { return {red, green, blue, opacity}; }
    bool operator==(const RgbaColor&) const = default;
};

// The named colours the look refers to, in this program's own shades: bright enough to glow
// over a dark window, never so bright that light text on them stops reading.
enum class NamedColor { Blue, Cyan, Purple, Indigo, Mint, Teal, Orange, Pink, Red, Green, Grey };
RgbaColor namedColor(NamedColor name);

// The theme's tint for controls, selections and the brand badge; always opaque.
RgbaColor themeAccent(AppColorTheme theme);

// The two colours of the glass backdrop's diagonal gradient, top-left first.
std::array<RgbaColor, 2> themeGlowColors(AppColorTheme theme);

// Every number a card is drawn with. Glass cards are frosted panels whose fill thins as the
// transparency rises; plain cards are flat panels with a faint border and a fixed radius.
struct CardStyle {
    bool glass = false;
    double cornerRadius = 14;
    // Glass: the frosted fill and the white haze over it.
    double materialOpacity = 0;
    double hazeOpacity = 0;
    // Glass: a light rim drawn inside the edge, fading from the top-left to the bottom-right.
    double rimWidth = 0;
    std::array<double, 3> rimOpacities{};
    // Glass: a soft shadow under the card.
    double shadowOpacity = 0;
    double shadowBlur = 0;
    double shadowOffsetY = 0;
    // Plain: the border, grey at this opacity.
    double borderWidth = 0;
    double borderOpacity = 0;
};

// The transparency a glass card actually uses: the setting held to 0.05..0.85, so a card never
// turns fully solid nor disappears.
double effectiveGlassTransparency(double transparency);

CardStyle cardStyle(bool glass, double transparency, double cornerRadius);

// How the main window is made see-through, which depends on what the desktop can do.
enum class WindowGlassStep {
    Opaque,       // glass off, or no compositor: the window paints its own background
    Translucent,  // a compositor blends the window over the desktop
    Blurred,      // the compositor also blurs what lies behind the window (KWin)
};

struct DesktopCompositing {
    bool compositorActive = false;
    bool blurBehindSupported = false;
};

WindowGlassStep windowGlassStep(bool glassEnabled, DesktopCompositing desktop);

// How much of the window background is painted under the glass backdrop: fully without a
// compositor, and enough over the bare desktop that text stays readable on any wallpaper.
double backdropOpacity(WindowGlassStep step);

}  // namespace Quorel
