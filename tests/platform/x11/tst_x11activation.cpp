// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Against a real X server and window manager: run through scripts/with-desktop.sh.

#include "x11/X11Activation.h"
#include "x11/XcbDisplay.h"

#include <cstring>

#include <QTest>

using namespace Quorel;

namespace {

// The server's time now: what a launcher stamps into a startup id when the user launches.
std::uint32_t serverTime(XcbDisplay& x) {
    const xcb_window_t window = xcb_generate_id(x.c);
    const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(x.c, XCB_COPY_FROM_PARENT, window, x.root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &mask);
    xcb_change_property(x.c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, 1,
                        "t");
    xcb_flush(x.c);
    std::uint32_t time = 0;
    while (time == 0) {
        XcbReply<xcb_generic_event_t> event(xcb_wait_for_event(x.c));
        if (!event) {
            break;
        }
        if ((event->response_type & 0x7F) == XCB_PROPERTY_NOTIFY) {
            time = reinterpret_cast<xcb_property_notify_event_t*>(event.get())->time;
        }
    }
    xcb_destroy_window(x.c, window);
    xcb_flush(x.c);
    return time;
}

QByteArray readProperty(XcbDisplay& x, xcb_window_t window, const QByteArray& name) {
    const xcb_get_property_cookie_t cookie =
        xcb_get_property(x.c, 0, window, x.atom(name), XCB_ATOM_ANY, 0, 256);
    XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(x.c, cookie, nullptr));
    return reply ? QByteArray(static_cast<const char*>(xcb_get_property_value(reply.get())),
                              xcb_get_property_value_length(reply.get()))
                 : QByteArray();
}

xcb_window_t activeWindow(XcbDisplay& x) {
    const QByteArray value = readProperty(x, x.root, "_NET_ACTIVE_WINDOW");
    xcb_window_t window = XCB_WINDOW_NONE;
    if (value.size() == sizeof(window)) {
        std::memcpy(&window, value.constData(), sizeof(window));
    }
    return window;
}

// A plain top-level window, mapped and managed by the window manager.
xcb_window_t openWindow(XcbDisplay& x) {
    const xcb_window_t window = xcb_generate_id(x.c);
    xcb_create_window(x.c, XCB_COPY_FROM_PARENT, window, x.root, 0, 0, 200, 100, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_map_window(x.c, window);
    xcb_flush(x.c);
    return window;
}

// What a pager sends: always obeyed, so the other window is in front before the test.
void focusAsPager(XcbDisplay& x, xcb_window_t window) {
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = x.atom("_NET_ACTIVE_WINDOW");
    event.data.data32[0] = 2;
    xcb_send_event(x.c, 0, x.root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(x.c);
}

}  // namespace

class TestX11Activation : public QObject {
    Q_OBJECT

private slots:
    void launchTimeIsReadFromTheStartupId() {
        QCOMPARE(X11Activation::launchTime("launcher-1-host-app_TIME123456"), 123456U);
        QCOMPARE(X11Activation::launchTime("4294967295_TIME4294967295"), 4294967295U);
        for (const char* none : {"no time", "x_TIME", "x_TIME0", "x_TIME4294967296", "x_TIME12a",
                                 "x_TIME99999999999"}) {
            QVERIFY2(!X11Activation::launchTime(none), none);
        }
    }

    // A window behind the one the user works in comes forward for a later launch, which the
    // window manager learns of by the launch's startup id.
    void aLaterLaunchBringsTheWindowForward() {
        XcbDisplay x;
        QVERIFY(x.open({}));
        const std::unique_ptr<X11Activation> activation = X11Activation::create();
        QVERIFY(activation);
        const xcb_window_t ours = openWindow(x);
        const xcb_window_t theirs = openWindow(x);
        QTRY_VERIFY(!readProperty(x, theirs, "WM_STATE").isEmpty());
        focusAsPager(x, theirs);
        QTRY_COMPARE(activeWindow(x), theirs);

        const std::uint32_t time = serverTime(x);
        const QByteArray id = "launcher-7_TIME" + QByteArray::number(time);
        activation->activate(ours, id);
        QTRY_COMPARE(activeWindow(x), ours);
        QCOMPARE(readProperty(x, ours, "_NET_STARTUP_ID"), id);
        QCOMPARE(readProperty(x, ours, "_NET_WM_USER_TIME"),
                 QByteArray(reinterpret_cast<const char*>(&time), sizeof(time)));
    }
};

QTEST_GUILESS_MAIN(TestX11Activation)
#include "tst_x11activation.moc"
