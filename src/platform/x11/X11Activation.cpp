// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "X11Activation.h"

#include "XcbDisplay.h"

#include <QRegularExpression>

#include <cstring>

namespace Quorel {

namespace {

constexpr std::uint32_t sourceApplication = 1;
// The bytes of a startup notification message's data.
constexpr int messageBytes = 20;

}  // namespace

struct X11Activation::Connection : XcbDisplay {
    xcb_atom_t activeWindow = XCB_ATOM_NONE;
    xcb_atom_t userTime = XCB_ATOM_NONE;
    xcb_atom_t userTimeWindow = XCB_ATOM_NONE;
    xcb_atom_t startupIdProperty = XCB_ATOM_NONE;
    xcb_atom_t utf8String = XCB_ATOM_NONE;
    xcb_atom_t startupInfoBegin = XCB_ATOM_NONE;
    xcb_atom_t startupInfo = XCB_ATOM_NONE;

    // Qt keeps the user time on a window of its own when it has one.
    xcb_window_t userTimeHolder(xcb_window_t window) const {
        const xcb_get_property_cookie_t cookie =
            xcb_get_property(c, 0, window, userTimeWindow, XCB_ATOM_WINDOW, 0, 1);
        XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(c, cookie, nullptr));
        if (reply && reply->type == XCB_ATOM_WINDOW && reply->format == 32 &&
            xcb_get_property_value_length(reply.get()) == 4) {
            return *static_cast<const xcb_window_t*>(xcb_get_property_value(reply.get()));
        }
        return window;
    }

    // "remove: ID=...", in pieces of 20 bytes, so the launcher stops showing the launch.
    void endLaunchFeedback(xcb_window_t window, const QByteArray& startupId) const {
        QByteArray text = QByteArrayLiteral("remove: ID=\"") + startupId + "\"";
        text.append('\0');
        for (qsizetype at = 0; at < text.size(); at += messageBytes) {
            xcb_client_message_event_t event{};
            event.response_type = XCB_CLIENT_MESSAGE;
            event.format = 8;
            event.window = window;
            event.type = at == 0 ? startupInfoBegin : startupInfo;
            const QByteArray piece = text.mid(at, messageBytes);
            std::memcpy(event.data.data8, piece.constData(), size_t(piece.size()));
            xcb_send_event(c, 0, root, XCB_EVENT_MASK_PROPERTY_CHANGE,
                           reinterpret_cast<const char*>(&event));
        }
    }
};

X11Activation::X11Activation(std::unique_ptr<Connection> connection) : m_x(std::move(connection)) {}

X11Activation::~X11Activation() = default;

std::unique_ptr<X11Activation> X11Activation::create(const QString& displayName) {
    auto x = std::make_unique<Connection>();
    if (!x->open(displayName)) {
        return nullptr;
    }
    x->activeWindow = x->atom("_NET_ACTIVE_WINDOW");
    x->userTime = x->atom("_NET_WM_USER_TIME");
    x->userTimeWindow = x->atom("_NET_WM_USER_TIME_WINDOW");
    x->startupIdProperty = x->atom("_NET_STARTUP_ID");
    x->utf8String = x->atom("UTF8_STRING");
    x->startupInfoBegin = x->atom("_NET_STARTUP_INFO_BEGIN");
    x->startupInfo = x->atom("_NET_STARTUP_INFO");
    for (const xcb_atom_t a :
         {x->activeWindow, x->userTime, x->userTimeWindow, x->startupIdProperty, x->utf8String,
          x->startupInfoBegin, x->startupInfo}) {
        if (a == XCB_ATOM_NONE) {
            return nullptr;
        }
    }
    return std::unique_ptr<X11Activation>(new X11Activation(std::move(x)));
}

std::optional<std::uint32_t> X11Activation::launchTime(const QByteArray& startupId) {
    static const QRegularExpression time(QStringLiteral("_TIME(\\d{1,10})$"));
    const QRegularExpressionMatch match = time.match(QString::fromLatin1(startupId));
    bool ok = false;
    const qulonglong value = match.hasMatch() ? match.captured(1).toULongLong(&ok) : 0;
    if (!ok || value == 0 || value > 0xFFFFFFFFULL) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

void X11Activation::activate(std::uint32_t window, const QByteArray& startupId) {
    m_x->dropEvents();
    const std::optional<std::uint32_t> time = launchTime(startupId);
    if (time) {
        xcb_change_property(m_x->c, XCB_PROP_MODE_REPLACE, m_x->userTimeHolder(window),
                            m_x->userTime, XCB_ATOM_CARDINAL, 32, 1, &*time);
    }
    xcb_change_property(m_x->c, XCB_PROP_MODE_REPLACE, window, m_x->startupIdProperty,
                        m_x->utf8String, 8, static_cast<std::uint32_t>(startupId.size()),
                        startupId.constData());
    m_x->sendToRoot(window, m_x->activeWindow, sourceApplication, time.value_or(XCB_CURRENT_TIME));
    m_x->endLaunchFeedback(window, startupId);
    xcb_flush(m_x->c);
}

}  // namespace Quorel
