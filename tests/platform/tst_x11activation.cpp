// Against a real X server and window manager: run through scripts/with-desktop.sh.

#include "x11/X11Activation.h"
#include "x11/XcbDisplay.h"

#include <QGuiApplication>
#include <QTest>
#include <QWindow>

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

QByteArray startupIdOf(XcbDisplay& x, xcb_window_t window) {
    const xcb_get_property_cookie_t cookie =
        xcb_get_property(x.c, 0, window, x.atom("_NET_STARTUP_ID"), XCB_ATOM_ANY, 0, 256);
    XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(x.c, cookie, nullptr));
    return reply ? QByteArray(static_cast<const char*>(xcb_get_property_value(reply.get())),
                              xcb_get_property_value_length(reply.get()))
                 : QByteArray();
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
        QWindow ours;
        QWindow theirs;
        for (QWindow* window : {&ours, &theirs}) {
            window->resize(200, 100);
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window));
        }
        theirs.requestActivate();
        QTRY_VERIFY(theirs.isActive());

        const QByteArray id = "launcher-7_TIME" + QByteArray::number(serverTime(x));
        activation->activate(static_cast<std::uint32_t>(ours.winId()), id);
        QTRY_VERIFY(ours.isActive());
        QCOMPARE(startupIdOf(x, static_cast<xcb_window_t>(ours.winId())), id);
    }
};

QTEST_MAIN(TestX11Activation)
#include "tst_x11activation.moc"
