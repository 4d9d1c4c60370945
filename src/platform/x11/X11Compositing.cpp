#include "X11Compositing.h"

#include <xcb/xcb.h>

#include <cstdlib>

namespace Quorel {

namespace {

template <typename T>
struct FreeDeleter {
    void operator()(T* p) const { std::free(p); }
};
template <typename T>
using XcbReply = std::unique_ptr<T, FreeDeleter<T>>;

}  // namespace

struct X11Compositing::Connection {
    xcb_connection_t* c = nullptr;
    int screen = 0;
    xcb_window_t root = XCB_WINDOW_NONE;
    xcb_atom_t compositorSelection = XCB_ATOM_NONE;
    xcb_atom_t blurRegion = XCB_ATOM_NONE;

    ~Connection() {
        if (c != nullptr) {
            xcb_disconnect(c);
        }
    }

    xcb_atom_t atom(const QByteArray& name) const {
        const xcb_intern_atom_cookie_t cookie =
            xcb_intern_atom(c, 0, static_cast<std::uint16_t>(name.size()), name.constData());
        XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(c, cookie, nullptr));
        return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    }

    // Nothing listens on this connection; errors of unchecked requests would pile up.
    void dropEvents() const {
        while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
            std::free(event);
        }
    }
};

X11Compositing::X11Compositing(std::unique_ptr<Connection> connection)
    : m_x(std::move(connection)) {}

X11Compositing::~X11Compositing() = default;

std::unique_ptr<X11Compositing> X11Compositing::create(const QString& displayName) {
    auto x = std::make_unique<Connection>();
    const QByteArray name = displayName.toLocal8Bit();
    x->c = xcb_connect(name.isEmpty() ? nullptr : name.constData(), &x->screen);
    if (xcb_connection_has_error(x->c) != 0) {
        return nullptr;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(x->c));
    for (int i = 0; i < x->screen && screens.rem > 0; ++i) {
        xcb_screen_next(&screens);
    }
    if (screens.rem == 0) {
        return nullptr;
    }
    x->root = screens.data->root;
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
