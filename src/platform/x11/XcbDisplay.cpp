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

void XcbDisplay::dropEvents() const {
    while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
        std::free(event);
    }
}

}  // namespace Quorel
