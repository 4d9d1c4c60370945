// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Against a real X server: run through scripts/with-desktop.sh (Xvfb and openbox, no compositor).

#include "x11/X11Compositing.h"

#include <QTest>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

using namespace Quorel;

namespace {

// The test's own X client: plays the compositor and KWin by claiming what they claim.
class TestClient {
public:
    TestClient() {
        m_c = xcb_connect(nullptr, &m_screen);
        if (xcb_connection_has_error(m_c) != 0) {
            return;
        }
        xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(m_c));
        for (int i = 0; i < m_screen; ++i) {
            xcb_screen_next(&screens);
        }
        m_root = screens.data->root;
        m_ready = true;
    }
    ~TestClient() { xcb_disconnect(m_c); }
    TestClient(const TestClient&) = delete;
    TestClient& operator=(const TestClient&) = delete;

    bool ready() const { return m_ready; }
    xcb_window_t root() const { return m_root; }
    int screen() const { return m_screen; }

    xcb_atom_t atom(const QByteArray& name) {
        std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
            xcb_intern_atom_reply(
                m_c,
                xcb_intern_atom(m_c, 0, static_cast<std::uint16_t>(name.size()), name.constData()),
                nullptr),
            &std::free);
        return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    }

    xcb_window_t createWindow() {
        const xcb_window_t w = xcb_generate_id(m_c);
        xcb_create_window(m_c, XCB_COPY_FROM_PARENT, w, m_root, 0, 0, 10, 10, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        sync();
        return w;
    }

    void destroyWindow(xcb_window_t w) {
        xcb_destroy_window(m_c, w);
        sync();
    }

    void claimSelection(xcb_window_t owner, const QByteArray& selection) {
        xcb_set_selection_owner(m_c, owner, atom(selection), XCB_CURRENT_TIME);
        sync();
    }

    void setEmptyCardinal(xcb_window_t w, const QByteArray& property) {
        xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, w, atom(property), XCB_ATOM_CARDINAL, 32, 0,
                            nullptr);
        sync();
    }

    void deleteProperty(xcb_window_t w, const QByteArray& property) {
        xcb_delete_property(m_c, w, atom(property));
        sync();
    }

    // The property's type, or XCB_ATOM_NONE when the window does not carry it.
    xcb_atom_t propertyType(xcb_window_t w, const QByteArray& property) {
        std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
            xcb_get_property_reply(
                m_c, xcb_get_property(m_c, 0, w, atom(property), XCB_ATOM_ANY, 0, 16), nullptr),
            &std::free);
        return reply ? reply->type : xcb_atom_t{XCB_ATOM_NONE};
    }

    // A round trip, so everything sent before has reached the server.
    void sync() { std::free(xcb_get_input_focus_reply(m_c, xcb_get_input_focus(m_c), nullptr)); }

private:
    xcb_connection_t* m_c = nullptr;
    int m_screen = 0;
    xcb_window_t m_root = XCB_WINDOW_NONE;
    bool m_ready = false;
};

const QByteArray blurRegion = QByteArrayLiteral("_KDE_NET_WM_BLUR_BEHIND_REGION");

}  // namespace

class TestX11Compositing : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_client = std::make_unique<TestClient>();
        QVERIFY2(m_client->ready(), "no X display: run through scripts/with-desktop.sh");
        m_x = X11Compositing::create();
        QVERIFY(m_x != nullptr);
    }

    void cleanup() {
        m_x.reset();
        m_client.reset();
    }

    void noDisplayNoObject() {
        QVERIFY(X11Compositing::create(QStringLiteral(":4242")) == nullptr);
    }

    void compositorIsWhoeverOwnsTheScreenSelection() {
        const QByteArray selection = "_NET_WM_CM_S" + QByteArray::number(m_client->screen());
        QVERIFY(!m_x->compositorActive());

        const xcb_window_t owner = m_client->createWindow();
        m_client->claimSelection(owner, selection);
        QVERIFY(m_x->compositorActive());

        // A compositor that quits (or crashes) takes its window, and the ownership, with it.
        m_client->destroyWindow(owner);
        QVERIFY(!m_x->compositorActive());
    }

    void blurIsOfferedWhileKWinAnnouncesIt() {
        QVERIFY(!m_x->blurBehindSupported());

        m_client->setEmptyCardinal(m_client->root(), blurRegion);
        QVERIFY(m_x->blurBehindSupported());

        m_client->deleteProperty(m_client->root(), blurRegion);
        QVERIFY(!m_x->blurBehindSupported());
    }

    void blurRequestCoversTheWholeWindowAndCanBeWithdrawn() {
        const xcb_window_t window = m_client->createWindow();

        m_x->setBlurBehind(window, true);
        // Requests of two connections are not ordered: a question on the adapter's own
        // connection makes sure the server has handled the change.
        m_x->compositorActive();
        QCOMPARE(m_client->propertyType(window, blurRegion), xcb_atom_t{XCB_ATOM_CARDINAL});

        m_x->setBlurBehind(window, false);
        m_x->compositorActive();
        QCOMPARE(m_client->propertyType(window, blurRegion), xcb_atom_t{XCB_ATOM_NONE});
        m_client->destroyWindow(window);
    }

    void aWindowAlreadyGoneIsNoError() {
        const xcb_window_t window = m_client->createWindow();
        m_client->destroyWindow(window);

        m_x->setBlurBehind(window, true);

        // The connection still answers.
        QVERIFY(!m_x->compositorActive());
    }

private:
    std::unique_ptr<TestClient> m_client;
    std::unique_ptr<X11Compositing> m_x;
};

QTEST_APPLESS_MAIN(TestX11Compositing)
#include "tst_x11compositing.moc"
