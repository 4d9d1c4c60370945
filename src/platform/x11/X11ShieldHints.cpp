// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "X11ShieldHints.h"

#include "XcbDisplay.h"

#include <QList>

namespace Quorel {

namespace {

constexpr std::uint32_t allDesktops = 0xFFFFFFFF;
constexpr std::uint32_t stateAdd = 1;
constexpr std::uint32_t sourceApplication = 1;

}  // namespace

struct X11ShieldHints::Connection : XcbDisplay {
    xcb_atom_t supported = XCB_ATOM_NONE;
    xcb_atom_t desktop = XCB_ATOM_NONE;
    xcb_atom_t state = XCB_ATOM_NONE;
    QList<xcb_atom_t> states;  // sticky, skip taskbar, skip pager

    QList<xcb_atom_t> atomList(xcb_window_t window, xcb_atom_t property) const {
        const xcb_get_property_cookie_t cookie =
            xcb_get_property(c, 0, window, property, XCB_ATOM_ATOM, 0, 4096);
        XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(c, cookie, nullptr));
        QList<xcb_atom_t> atoms;
        if (!reply || reply->type != XCB_ATOM_ATOM || reply->format != 32) {
            return atoms;
        }
        const auto* values = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
        const int count = xcb_get_property_value_length(reply.get()) / 4;
        for (int i = 0; i < count; ++i) {
            atoms.append(values[i]);
        }
        return atoms;
    }

    // Asked each time: a window manager may start, or be replaced, while the app runs.
    QList<xcb_atom_t> supportedStates(bool* desktopSupported) const {
        const QList<xcb_atom_t> announced = atomList(root, supported);
        *desktopSupported = announced.contains(desktop);
        QList<xcb_atom_t> out;
        for (const xcb_atom_t s : states) {
            if (announced.contains(s)) {
                out.append(s);
            }
        }
        return out;
    }
};

X11ShieldHints::X11ShieldHints(std::unique_ptr<Connection> connection)
    : m_x(std::move(connection)) {}

X11ShieldHints::~X11ShieldHints() = default;

std::unique_ptr<X11ShieldHints> X11ShieldHints::create(const QString& displayName) {
    auto x = std::make_unique<Connection>();
    if (!x->open(displayName)) {
        return nullptr;
    }
    x->supported = x->atom("_NET_SUPPORTED");
    x->desktop = x->atom("_NET_WM_DESKTOP");
    x->state = x->atom("_NET_WM_STATE");
    for (const char* state :
         {"_NET_WM_STATE_STICKY", "_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER"}) {
        x->states.append(x->atom(state));
    }
    if (x->supported == XCB_ATOM_NONE || x->desktop == XCB_ATOM_NONE || x->state == XCB_ATOM_NONE ||
        x->states.contains(XCB_ATOM_NONE)) {
        return nullptr;
    }
    return std::unique_ptr<X11ShieldHints>(new X11ShieldHints(std::move(x)));
}

void X11ShieldHints::setBeforeMap(std::uint32_t window) {
    m_x->dropEvents();
    bool desktopSupported = false;
    const QList<xcb_atom_t> wanted = m_x->supportedStates(&desktopSupported);
    if (desktopSupported) {
        xcb_change_property(m_x->c, XCB_PROP_MODE_REPLACE, window, m_x->desktop, XCB_ATOM_CARDINAL,
                            32, 1, &allDesktops);
    }
    if (!wanted.isEmpty()) {
        // Kept: the states Qt has set already (above, for one).
        QList<xcb_atom_t> states = m_x->atomList(window, m_x->state);
        for (const xcb_atom_t s : wanted) {
            if (!states.contains(s)) {
                states.append(s);
            }
        }
        xcb_change_property(m_x->c, XCB_PROP_MODE_REPLACE, window, m_x->state, XCB_ATOM_ATOM, 32,
                            static_cast<std::uint32_t>(states.size()), states.constData());
    }
    // A round trip: the server has the properties before Qt's map request reaches it.
    std::free(xcb_get_input_focus_reply(m_x->c, xcb_get_input_focus(m_x->c), nullptr));
}

void X11ShieldHints::requestAfterMap(std::uint32_t window) {
    m_x->dropEvents();
    bool desktopSupported = false;
    const QList<xcb_atom_t> wanted = m_x->supportedStates(&desktopSupported);
    if (desktopSupported) {
        m_x->sendToRoot(window, m_x->desktop, allDesktops, sourceApplication, 0, 0);
    }
    // Two states per message at most.
    for (qsizetype i = 0; i < wanted.size(); i += 2) {
        const xcb_atom_t second =
            i + 1 < wanted.size() ? wanted.at(i + 1) : xcb_atom_t{XCB_ATOM_NONE};
        m_x->sendToRoot(window, m_x->state, stateAdd, wanted.at(i), second, sourceApplication);
    }
    xcb_flush(m_x->c);
}

}  // namespace Quorel
