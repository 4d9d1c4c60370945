// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

class QWindow;

namespace Quorel {

// What the desktop does for the shield's window beyond Qt's flags: show it on every desktop and
// keep it out of the taskbar and the pager.
class ShieldWindowHints {
public:
    virtual ~ShieldWindowHints() = default;
    // Before window is shown: asks for it on every desktop, where the desktop can.
    virtual void beforeShow(QWindow& window) = 0;
    // Once window is shown: the same request to a window manager that already manages it.
    virtual void afterShow(QWindow& window) = 0;
};

}  // namespace Quorel
