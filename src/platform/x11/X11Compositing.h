// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// What an X11 desktop offers a see-through window.
//
// Why: a window with an alpha channel only looks see-through while a compositing manager runs
// (it owns the _NET_WM_CM_S<screen> selection); without one the transparent pixels come out
// black, so the main window must paint its own background then. KWin can also blur what lies
// behind a window, but only for windows that ask with _KDE_NET_WM_BLUR_BEHIND_REGION, and it
// announces that by keeping the same property on the root window.
//
// Compositors start and stop while the app runs, so every question is asked of the server anew.

#include <QString>

#include <cstdint>
#include <memory>

namespace Quorel {

class X11Compositing {
public:
    // Opens the display (DISPLAY when displayName is empty); nullptr when there is none.
    static std::unique_ptr<X11Compositing> create(const QString& displayName = {});
    ~X11Compositing();
    X11Compositing(const X11Compositing&) = delete;
    X11Compositing& operator=(const X11Compositing&) = delete;

    // A compositing manager owns the screen's _NET_WM_CM_S selection now.
    bool compositorActive();

    // The window manager blurs behind windows that ask for it (KWin's blur effect).
    bool blurBehindSupported();

    // Asks for blur behind the whole of window, or withdraws the request; a window that has
    // gone away is not an error.
    void setBlurBehind(std::uint32_t window, bool enabled);

private:
    struct Connection;
    explicit X11Compositing(std::unique_ptr<Connection> connection);

    std::unique_ptr<Connection> m_x;
};

}  // namespace Quorel
