// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QString>

#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <memory>

namespace Quorel {

template <typename T>
struct FreeDeleter {
    void operator()(T* p) const { std::free(p); }
};
// xcb hands out replies and events allocated with malloc.
template <typename T>
using XcbReply = std::unique_ptr<T, FreeDeleter<T>>;

// A connection of our own to the X server (Qt's is not ours to send requests on), for adapters
// that send a few requests and listen to nothing.
struct XcbDisplay {
    xcb_connection_t* c = nullptr;
    int screen = 0;
    xcb_window_t root = XCB_WINDOW_NONE;

    XcbDisplay() = default;
    XcbDisplay(const XcbDisplay&) = delete;
    XcbDisplay& operator=(const XcbDisplay&) = delete;
    virtual ~XcbDisplay();

    // Opens the display (DISPLAY when displayName is empty) and finds its screen's root; false
    // when either fails.
    bool open(const QString& displayName);
    // XCB_ATOM_NONE when the server cannot answer.
    xcb_atom_t atom(const QByteArray& name) const;
    // Nothing listens here; errors of unchecked requests (a window already gone) would pile up.
    void dropEvents() const;
    // A request about window to the window manager, as EWMH has clients send them.
    void sendToRoot(xcb_window_t window, xcb_atom_t type, std::uint32_t d0, std::uint32_t d1,
                    std::uint32_t d2 = 0, std::uint32_t d3 = 0) const;
};

}  // namespace Quorel
