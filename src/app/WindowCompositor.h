// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "ThemeStyle.h"

class QWindow;

namespace Quorel {

// What the desktop can do for a see-through window, and the one request it takes.
class WindowCompositor {
public:
    virtual ~WindowCompositor() = default;
    // Asked again on every adjustment: compositors start and stop while the app runs.
    virtual DesktopCompositing capabilities() = 0;
    // Asks the compositor to blur behind the whole window, or stops asking.
    virtual void setBlurBehind(QWindow& window, bool enabled) = 0;
};

// No compositor to ask (offscreen, an unknown platform): windows stay opaque.
class NullWindowCompositor final : public WindowCompositor {
public:
    DesktopCompositing capabilities() override { return {}; }
    void setBlurBehind(QWindow&, bool) override {}
};

}  // namespace Quorel
