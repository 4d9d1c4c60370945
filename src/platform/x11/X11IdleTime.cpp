// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "X11IdleTime.h"

#include "XcbDisplay.h"

#include <xcb/screensaver.h>

namespace Quorel {

X11IdleTime::X11IdleTime(std::unique_ptr<XcbDisplay> display) : m_x(std::move(display)) {}

X11IdleTime::~X11IdleTime() = default;

std::unique_ptr<X11IdleTime> X11IdleTime::create(const QString& displayName) {
    auto x = std::make_unique<XcbDisplay>();
    if (!x->open(displayName)) {
        return nullptr;
    }
    const xcb_query_extension_reply_t* extension =
        xcb_get_extension_data(x->c, &xcb_screensaver_id);
    if (extension == nullptr || extension->present == 0) {
        return nullptr;
    }
    std::unique_ptr<X11IdleTime> idle(new X11IdleTime(std::move(x)));
    if (!idle->idleTime()) {
        return nullptr;
    }
    return idle;
}

std::optional<std::chrono::milliseconds> X11IdleTime::idleTime() {
    const xcb_screensaver_query_info_cookie_t asked{
        m_pending.value_or(xcb_screensaver_query_info(m_x->c, m_x->root).sequence)};
    XcbReply<xcb_screensaver_query_info_reply_t> reply(
        xcb_screensaver_query_info_reply(m_x->c, asked, nullptr));
    m_pending = xcb_screensaver_query_info(m_x->c, m_x->root).sequence;
    xcb_flush(m_x->c);
    if (!reply) {
        return std::nullopt;
    }
    return std::chrono::milliseconds(reply->ms_since_user_input);
}

bool X11IdleTime::isIdleFor(std::chrono::milliseconds threshold) {
    const std::optional<std::chrono::milliseconds> idle = idleTime();
    return idle && *idle >= threshold;
}

}  // namespace Quorel
