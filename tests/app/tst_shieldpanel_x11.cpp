// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Against a real X server and window manager: run through scripts/with-desktop.sh (Xvfb and
// openbox).

#include "Fakes.h"
#include "ShieldPanelController.h"
#include "X11ShieldWindowHints.h"

#include <QtQml/qqmlextensionplugin.h>
#include <QQuickView>
#include <QTest>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

Q_IMPORT_QML_PLUGIN(QuorelPlugin)

using namespace Quorel;

namespace {

// The test's own look at the server.
class Probe {
    struct Free {
        void operator()(void* p) const { std::free(p); }
    };
    template <typename T>
    using Reply = std::unique_ptr<T, Free>;

public:
    Probe() : m_c(xcb_connect(nullptr, nullptr)) {
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_c)).data->root;
    }
    ~Probe() { xcb_disconnect(m_c); }
    Probe(const Probe&) = delete;
    Probe& operator=(const Probe&) = delete;

    xcb_window_t root() const { return m_root; }

    xcb_atom_t atom(const char* name) {
        Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
            m_c, xcb_intern_atom(m_c, 0, static_cast<std::uint16_t>(qstrlen(name)), name),
            nullptr));
        return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    }

    QList<std::uint32_t> values(xcb_window_t window, const char* property, xcb_atom_t type) {
        Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
            m_c, xcb_get_property(m_c, 0, window, atom(property), type, 0, 1024), nullptr));
        QList<std::uint32_t> out;
        if (reply && reply->format == 32) {
            const auto* data =
                static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
            for (int i = 0; i < xcb_get_property_value_length(reply.get()) / 4; ++i) {
                out.append(data[i]);
            }
        }
        return out;
    }

private:
    xcb_connection_t* m_c;
    xcb_window_t m_root;
};

}  // namespace

class TestShieldPanelX11 : public QObject {
    Q_OBJECT

private slots:
    void panelShowsOnEveryDesktopWithoutTakingTheFocus() {
        auto x11 = X11ShieldHints::create();
        QVERIFY(x11 != nullptr);
        X11ShieldWindowHints hints(std::move(x11));
        FakeDesktop desktop;
        auto manager = desktop.makeManager();
        ShieldPanelController shield(&hints);
        Probe x;
        const QList<std::uint32_t> supported = x.values(x.root(), "_NET_SUPPORTED", XCB_ATOM_ATOM);
        QVERIFY(!supported.isEmpty());

        // The first show, and a later one after the panel was hidden.
        for (const QString& name : {QStringLiteral("Slack"), QStringLiteral("Discord")}) {
            shield.show(name, *manager);
            QQuickView* panel = shield.panel();
            QVERIFY(QTest::qWaitForWindowExposed(panel));
            const auto window = static_cast<xcb_window_t>(panel->winId());

            // Generous: a window manager on a busy machine takes its time.
            QTRY_COMPARE_WITH_TIMEOUT(x.values(window, "_NET_WM_DESKTOP", XCB_ATOM_CARDINAL),
                                      QList<std::uint32_t>{0xFFFFFFFF}, 30000);
            const QList<std::uint32_t> states = x.values(window, "_NET_WM_STATE", XCB_ATOM_ATOM);
            QVERIFY(states.contains(x.atom("_NET_WM_STATE_ABOVE")));
            for (const char* state : {"_NET_WM_STATE_STICKY", "_NET_WM_STATE_SKIP_TASKBAR",
                                      "_NET_WM_STATE_SKIP_PAGER"}) {
                QCOMPARE(states.contains(x.atom(state)), supported.contains(x.atom(state)));
            }
            QVERIFY(!x.values(x.root(), "_NET_ACTIVE_WINDOW", XCB_ATOM_WINDOW).contains(window));
            panel->hide();
        }
    }
};

QTEST_MAIN(TestShieldPanelX11)
#include "tst_shieldpanel_x11.moc"
