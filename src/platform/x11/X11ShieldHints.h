// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Puts the shield's window on every desktop and keeps it off the taskbar and the pager.
//
// Why: Qt's flags give a tool window that stays on top and takes no focus, but nothing in Qt
// puts a window on every virtual desktop. EWMH does it with _NET_WM_DESKTOP = 0xFFFFFFFF and
// the STICKY, SKIP_TASKBAR and SKIP_PAGER states. A window manager reads those properties when
// it starts managing a window and afterwards takes changes only as client messages to the
// root window, so the properties are set before the window is mapped and the messages sent
// after. Only what the window manager announces in _NET_SUPPORTED is asked for; the rest would
// be ignored at best.

#include <QString>

#include <cstdint>
#include <memory>

namespace Quorel {

class X11ShieldHints {
public:
    // Opens the display (DISPLAY when displayName is empty); nullptr when there is none.
    static std::unique_ptr<X11ShieldHints> create(const QString& displayName = {});
    ~X11ShieldHints();
    X11ShieldHints(const X11ShieldHints&) = delete;
    X11ShieldHints& operator=(const X11ShieldHints&) = delete;

    // On a window not mapped yet: sets the properties, and returns once the server has them,
    // so a map request sent afterwards on another connection finds them in place.
    void setBeforeMap(std::uint32_t window);

    // On a mapped window: asks the window manager for the same through client messages.
    void requestAfterMap(std::uint32_t window);

private:
    struct Connection;
    explicit X11ShieldHints(std::unique_ptr<Connection> connection);

    std::unique_ptr<Connection> m_x;
};

}  // namespace Quorel
