// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "X11Compositing.h"

#include "XcbDisplay.h"

namespace Quorel {

struct X11Compositing::Connection : XcbDisplay {
    xcb_atom_t compositorSelection = XCB_ATOM_NONE;
    xcb_atom_t blurRegion = XCB_ATOM_NONE;
};

X11Compositing::X11Compositing(std::unique_ptr<Connection> connection)
    : m_x(std::move(connection)) {}

X11Compositing::~X11Compositing() = default;

std::unique_ptr<X11Compositing> X11Compositing::create(const QString& displayName) {
    auto x = std::make_unique<Connection>();
    if (!x->open(displayName)) {
        return nullptr;
    }
    x->compositorSelection = x->atom("_NET_WM_CM_S" + QByteArray::number(x->screen));
    x->blurRegion = x->atom("_KDE_NET_WM_BLUR_BEHIND_REGION");
    if (x->compositorSelection == XCB_ATOM_NONE || x->blurRegion == XCB_ATOM_NONE) {
        return nullptr;
    }
    return std::unique_ptr<X11Compositing>(new X11Compositing(std::move(x)));
}

bool X11Compositing::compositorActive() {
    m_x->dropEvents();
    const xcb_get_selection_owner_cookie_t cookie =
        xcb_get_selection_owner(m_x->c, m_x->compositorSelection);
    XcbReply<xcb_get_selection_owner_reply_t> reply(
        xcb_get_selection_owner_reply(m_x->c, cookie, nullptr));
    return reply && reply->owner != XCB_WINDOW_NONE;
}

bool X11Compositing::blurBehindSupported() {
    const xcb_list_properties_cookie_t cookie = xcb_list_properties(m_x->c, m_x->root);
    XcbReply<xcb_list_properties_reply_t> reply(xcb_list_properties_reply(m_x->c, cookie, nullptr));
    if (!reply) {
        return false;
    }
    const xcb_atom_t* atoms = xcb_list_properties_atoms(reply.get());
    const int count = xcb_list_properties_atoms_length(reply.get());
    for (int i = 0; i < count; ++i) {
        if (atoms[i] == m_x->blurRegion) {
            return true;
        }
    }
    return false;
}

void X11Compositing::setBlurBehind(std::uint32_t window, bool enabled) {
    // An empty region means the whole window. Errors (a window already gone) come back as
    // events, dropped on the next question; checked requests would only add round trips.
    if (enabled) {
        xcb_change_property(m_x->c, XCB_PROP_MODE_REPLACE, window, m_x->blurRegion,
                            XCB_ATOM_CARDINAL, 32, 0, nullptr);
    } else {
        xcb_delete_property(m_x->c, window, m_x->blurRegion);
    }
    xcb_flush(m_x->c);
}

}  // namespace Quorel
