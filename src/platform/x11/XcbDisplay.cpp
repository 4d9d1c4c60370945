// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "XcbDisplay.h"

namespace Quorel {

XcbDisplay::~XcbDisplay() {
    if (c != nullptr) {
        xcb_disconnect(c);
    }
}

bool XcbDisplay::open(const QString& displayName) {
    const QByteArray name = displayName.toLocal8Bit();
    c = xcb_connect(name.isEmpty() ? nullptr : name.constData(), &screen);
    if (xcb_connection_has_error(c) != 0) {
        return false;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screen && screens.rem > 0; ++i) {
        xcb_screen_next(&screens);
    }
    if (screens.rem == 0) {
        return false;
    }
    root = screens.data->root;
    return true;
}

xcb_atom_t XcbDisplay::atom(const QByteArray& name) const {
    const xcb_intern_atom_cookie_t cookie =
        xcb_intern_atom(c, 0, static_cast<std::uint16_t>(name.size()), name.constData());
    XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(c, cookie, nullptr));
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

void XcbDisplay::sendToRoot(xcb_window_t window, xcb_atom_t type, std::uint32_t d0,
                            std::uint32_t d1, std::uint32_t d2, std::uint32_t d3) const {
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = type;
    event.data.data32[0] = d0;
    event.data.data32[1] = d1;
    event.data.data32[2] = d2;
    event.data.data32[3] = d3;
    xcb_send_event(c, 0, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
}

void XcbDisplay::dropEvents() const {
    while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
        std::free(event);
    }
}

}  // namespace Quorel
