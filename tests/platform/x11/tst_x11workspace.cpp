// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Against a real X server and window manager: run through scripts/with-desktop.sh.

#include "x11/X11Workspace.h"
#include "xdg/DesktopEntries.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>
#include <xcb/xcb_icccm.h>

#include <cstdlib>

using namespace Quorel;
using namespace Qt::StringLiterals;

namespace {

const QString nothing = u"(nothing)"_s;

QString shown(const std::optional<QString>& name) {
    return name.value_or(nothing);
}

constexpr xcb_window_t noWindow = XCB_WINDOW_NONE;

// 32-bit items as a client hands them to the server.
QByteArray items32(std::initializer_list<std::uint32_t> items) {
    QByteArray bytes;
    for (const std::uint32_t item : items) {
        bytes.append(reinterpret_cast<const char*>(&item), sizeof item);
    }
    return bytes;
}

struct WindowSpec {
    QByteArray instance = {};  // WM_CLASS is left unset when both are empty
    QByteArray wmClass = {};
    qint64 pid = 0;
    QByteArray machine = {};
    xcb_window_t transientFor = noWindow;
    xcb_window_t leader = noWindow;
    QList<xcb_atom_t> types = {};
    bool skipTaskbar = false;
    bool input = true;  // WM_HINTS: the keyboard may reach it
    bool mapped = true;
};

// Made-up process ids, taken as local ones; nothing runs under them.
constexpr qint64 alphaPid = 3999001;
constexpr qint64 betaPid = 3999002;

// The test's own X client: makes windows with whatever properties a case needs, and asks the
// window manager to activate them as a pager would.
class TestClient {
public:
    TestClient() {
        m_c = xcb_connect(nullptr, &m_screen);
        if (xcb_connection_has_error(m_c)) {
            return;
        }
        m_ready =
            xcb_ewmh_init_atoms_replies(&m_ewmh, xcb_ewmh_init_atoms(m_c, &m_ewmh), nullptr) != 0;
        if (m_ready) {
            m_root = m_ewmh.screens[m_screen]->root;
            m_leaderAtom = atom("WM_CLIENT_LEADER");
        }
    }
    ~TestClient() {
        if (m_ready) {
            xcb_ewmh_connection_wipe(&m_ewmh);
        }
        xcb_disconnect(m_c);
    }
    TestClient(const TestClient&) = delete;
    TestClient& operator=(const TestClient&) = delete;

    bool ready() const { return m_ready; }
    xcb_ewmh_connection_t& ewmh() { return m_ewmh; }

    xcb_window_t create(const WindowSpec& spec) {
        const xcb_window_t w = xcb_generate_id(m_c);
        xcb_create_window(m_c, XCB_COPY_FROM_PARENT, w, m_root, 10, 10, 200, 100, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        if (!spec.wmClass.isEmpty() || !spec.instance.isEmpty()) {
            setClass(w, spec.instance, spec.wmClass);
        }
        xcb_icccm_wm_hints_t hints{};
        xcb_icccm_wm_hints_set_input(&hints, spec.input ? 1 : 0);
        xcb_icccm_set_wm_hints(m_c, w, &hints);
        if (spec.pid > 0) {
            xcb_ewmh_set_wm_pid(&m_ewmh, w, static_cast<std::uint32_t>(spec.pid));
        }
        if (!spec.machine.isEmpty()) {
            xcb_icccm_set_wm_client_machine(m_c, w, XCB_ATOM_STRING, 8,
                                            static_cast<std::uint32_t>(spec.machine.size()),
                                            spec.machine.constData());
        }
        if (spec.transientFor != XCB_WINDOW_NONE) {
            xcb_icccm_set_wm_transient_for(m_c, w, spec.transientFor);
        }
        if (spec.leader != XCB_WINDOW_NONE) {
            xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, w, m_leaderAtom, XCB_ATOM_WINDOW, 32, 1,
                                &spec.leader);
        }
        if (!spec.types.isEmpty()) {
            xcb_ewmh_set_wm_window_type(&m_ewmh, w, static_cast<std::uint32_t>(spec.types.size()),
                                        const_cast<xcb_atom_t*>(spec.types.constData()));
        }
        if (spec.skipTaskbar) {
            xcb_atom_t skip = m_ewmh._NET_WM_STATE_SKIP_TASKBAR;
            xcb_ewmh_set_wm_state(&m_ewmh, w, 1, &skip);
        }
        if (spec.mapped) {
            xcb_map_window(m_c, w);
        }
        xcb_flush(m_c);
        return w;
    }

    void setClass(xcb_window_t w, const QByteArray& instance, const QByteArray& wmClass) {
        const QByteArray value = instance + '\0' + wmClass + '\0';
        xcb_icccm_set_wm_class(m_c, w, static_cast<std::uint32_t>(value.size()), value.constData());
        xcb_flush(m_c);
    }

    // Writes a property as given, however malformed; an empty type deletes it.
    void setProperty(xcb_window_t w, const QByteArray& name, const QByteArray& type, int format,
                     const QByteArray& value) {
        if (type.isEmpty()) {
            xcb_delete_property(m_c, w, atom(name));
        } else {
            xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, w, atom(name), atom(type),
                                static_cast<std::uint8_t>(format),
                                static_cast<std::uint32_t>(value.size() / (format / 8)),
                                value.constData());
        }
        sync();
    }

    xcb_window_t root() const { return m_root; }
    xcb_window_t unusedId() { return xcb_generate_id(m_c); }

    void map(xcb_window_t w) {
        xcb_map_window(m_c, w);
        sync();
    }

    void destroy(xcb_window_t w) {
        xcb_destroy_window(m_c, w);
        sync();
    }

    // Waits until the server has handled everything sent so far.
    void sync() { std::free(xcb_get_input_focus_reply(m_c, xcb_get_input_focus(m_c), nullptr)); }

    xcb_window_t activeWindow() {
        xcb_window_t w = XCB_WINDOW_NONE;
        if (!xcb_ewmh_get_active_window_reply(
                &m_ewmh, xcb_ewmh_get_active_window(&m_ewmh, m_screen), &w, nullptr)) {
            return XCB_WINDOW_NONE;
        }
        return w;
    }

    void requestActivation(xcb_window_t w) {
        xcb_ewmh_request_change_active_window(&m_ewmh, m_screen, w,
                                              XCB_EWMH_CLIENT_SOURCE_TYPE_OTHER, XCB_CURRENT_TIME,
                                              XCB_WINDOW_NONE);
        xcb_flush(m_c);
    }

    // Writes what the window manager publishes, for states it would not reach on its own.
    void publishActiveWindow(xcb_window_t w) {
        xcb_ewmh_set_active_window(&m_ewmh, m_screen, w);
        sync();
    }

    // ICCCM's WM_STATE as the window manager set it; 0 (withdrawn) when it has not.
    std::uint32_t wmState(xcb_window_t w) {
        const xcb_atom_t state = atom("WM_STATE");
        xcb_get_property_reply_t* reply =
            xcb_get_property_reply(m_c, xcb_get_property(m_c, 0, w, state, state, 0, 1), nullptr);
        std::uint32_t value = 0;
        if (reply && xcb_get_property_value_length(reply) == 4) {
            value = *static_cast<std::uint32_t*>(xcb_get_property_value(reply));
        }
        std::free(reply);
        return value;
    }

    QList<xcb_window_t> clientList() {
        xcb_ewmh_get_windows_reply_t clients;
        if (!xcb_ewmh_get_client_list_reply(&m_ewmh, xcb_ewmh_get_client_list(&m_ewmh, m_screen),
                                            &clients, nullptr)) {
            return {};
        }
        QList<xcb_window_t> windows(clients.windows, clients.windows + clients.windows_len);
        xcb_ewmh_get_windows_reply_wipe(&clients);
        return windows;
    }

    // Adds a window the window manager does not manage to its list, as if it did.
    void listAsClient(xcb_window_t w) {
        QList<xcb_window_t> windows = clientList();
        windows << w;
        xcb_ewmh_set_client_list(&m_ewmh, m_screen, static_cast<std::uint32_t>(windows.size()),
                                 windows.data());
        sync();
    }

    xcb_window_t windowOfProcess(qint64 pid) {
        for (const xcb_window_t w : clientList()) {
            std::uint32_t windowPid = 0;
            if (xcb_ewmh_get_wm_pid_reply(&m_ewmh, xcb_ewmh_get_wm_pid(&m_ewmh, w), &windowPid,
                                          nullptr) &&
                windowPid == pid) {
                return w;
            }
        }
        return XCB_WINDOW_NONE;
    }

    xcb_atom_t atom(const QByteArray& name) {
        const auto cookie =
            xcb_intern_atom(m_c, 0, static_cast<std::uint16_t>(name.size()), name.constData());
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(m_c, cookie, nullptr);
        const xcb_atom_t a = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
        std::free(reply);
        return a;
    }

    xcb_connection_t* m_c = nullptr;
    int m_screen = 0;
    xcb_ewmh_connection_t m_ewmh{};
    bool m_ready = false;
    xcb_window_t m_root = XCB_WINDOW_NONE;
    xcb_atom_t m_leaderAtom = XCB_ATOM_NONE;
};

// Hears the requests that clients send the window manager through the root window.
class RootRequests {
public:
    RootRequests() {
        m_c = xcb_connect(nullptr, &m_screen);
        m_ready =
            xcb_ewmh_init_atoms_replies(&m_ewmh, xcb_ewmh_init_atoms(m_c, &m_ewmh), nullptr) != 0;
        if (m_ready) {
            const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
            xcb_change_window_attributes(m_c, m_ewmh.screens[m_screen]->root, XCB_CW_EVENT_MASK,
                                         &mask);
            std::free(xcb_get_input_focus_reply(m_c, xcb_get_input_focus(m_c), nullptr));
        }
    }
    ~RootRequests() {
        if (m_ready) {
            xcb_ewmh_connection_wipe(&m_ewmh);
        }
        xcb_disconnect(m_c);
    }
    RootRequests(const RootRequests&) = delete;
    RootRequests& operator=(const RootRequests&) = delete;

    // The windows someone asked so far to be given _NET_WM_STATE_HIDDEN.
    QList<xcb_window_t> hiddenRequested() {
        while (xcb_generic_event_t* event = xcb_poll_for_event(m_c)) {
            const auto* message = reinterpret_cast<xcb_client_message_event_t*>(event);
            if ((event->response_type & 0x7f) == XCB_CLIENT_MESSAGE &&
                message->type == m_ewmh._NET_WM_STATE &&
                message->data.data32[0] == XCB_EWMH_WM_STATE_ADD &&
                message->data.data32[1] == m_ewmh._NET_WM_STATE_HIDDEN) {
                m_hidden << message->window;
            }
            std::free(event);
        }
        return m_hidden;
    }

private:
    xcb_connection_t* m_c = nullptr;
    int m_screen = 0;
    xcb_ewmh_connection_t m_ewmh{};
    bool m_ready = false;
    QList<xcb_window_t> m_hidden;
};

// What the tests compare of an application.
QString described(const RunningApplication& application) {
    QString text = application.name;
    if (!application.isRegular) {
        text += u" (not regular)"_s;
    }
    if (application.isThisProgram) {
        text += u" (this program)"_s;
    }
    return text;
}

}  // namespace

Q_DECLARE_METATYPE(WindowSpec)

class TestX11Workspace : public QObject {
    Q_OBJECT

    TestClient m_x;
    QTemporaryDir m_fixtures;
    std::unique_ptr<DesktopEntries> m_entries;
    std::unique_ptr<X11Workspace> m_workspace;
    QList<xcb_window_t> m_windows;
    std::vector<std::unique_ptr<QProcess>> m_processes;

    QString frontmost() { return shown(m_workspace->frontmostApplicationName()); }
    QString queried() { return shown(m_workspace->queryFrontmostApplicationName()); }

    xcb_window_t window(const WindowSpec& spec) {
        m_windows << m_x.create(spec);
        return m_windows.last();
    }

    // The window manager may not have taken a new window in hand yet: ask again until it has.
    bool activate(xcb_window_t w) {
        QDeadlineTimer deadline(5000);
        while (!deadline.hasExpired()) {
            m_x.requestActivation(w);
            for (int i = 0; i < 10 && m_x.activeWindow() != w; ++i) {
                QTest::qWait(20);
            }
            if (m_x.activeWindow() == w) {
                return true;
            }
        }
        return false;
    }

    QProcess* startXterm(const QStringList& arguments) {
        auto process = std::make_unique<QProcess>();
        process->setStandardOutputFile(QProcess::nullDevice());
        process->setStandardErrorFile(QProcess::nullDevice());
        process->start(u"xterm"_s, arguments + QStringList{u"-e"_s, u"sleep"_s, u"600"_s});
        m_processes.push_back(std::move(process));
        return m_processes.back().get();
    }

    QStringList running() {
        QStringList out;
        for (const RunningApplication& application : m_workspace->runningApplications()) {
            out << described(application);
        }
        return out;
    }

    // Waits until the window manager lists an application of that name.
    std::optional<RunningApplication> runningNamed(const QString& name) {
        QDeadlineTimer deadline(10000);
        while (!deadline.hasExpired()) {
            for (const RunningApplication& application : m_workspace->runningApplications()) {
                if (application.name == name) {
                    return application;
                }
            }
            QTest::qWait(20);
        }
        return std::nullopt;
    }

    xcb_window_t windowOf(QProcess* process) {
        xcb_window_t w = XCB_WINDOW_NONE;
        QDeadlineTimer deadline(10000);
        while (w == XCB_WINDOW_NONE && !deadline.hasExpired()) {
            QTest::qWait(20);
            w = m_x.windowOfProcess(process->processId());
        }
        return w;
    }

private slots:
    void initTestCase() {
        QVERIFY2(m_x.ready(), "no X display: run this test through scripts/with-desktop.sh");
        const auto write = [this](const char* file, const char* contents) {
            QFile f(m_fixtures.filePath(QString::fromLatin1(file)));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(contents);
        };
        write("alpha.desktop",
              "[Desktop Entry]\nType=Application\nName=Alpha Fixture\n"
              "StartupWMClass=QuorelAlpha\n");
        write("quorel-own.desktop",
              "[Desktop Entry]\nType=Application\nName=Quorel Fixture\n"
              "StartupWMClass=QuorelOwn\n");
        write("quorel.desktop", "[Desktop Entry]\nType=Application\nName=Quorel\n");
        m_entries = std::make_unique<DesktopEntries>(
            QStringList{m_fixtures.path(), u"/usr/share/applications"_s}, QStringList{});

        // openbox announces itself before it takes windows in hand, and a window mapped in
        // between is never managed: ask again until one is.
        const xcb_window_t probe = m_x.create({.mapped = false});
        QDeadlineTimer deadline(10000);
        while (m_x.wmState(probe) == 0 && !deadline.hasExpired()) {
            m_x.map(probe);
            QTest::qWait(200);
        }
        m_x.destroy(probe);
    }

    void init() {
        m_workspace = X11Workspace::create(*m_entries);
        QVERIFY(m_workspace);
    }

    void cleanup() {
        m_workspace.reset();
        for (xcb_window_t w : std::as_const(m_windows)) {
            m_x.destroy(w);
        }
        m_windows.clear();
        for (auto& process : m_processes) {
            process->kill();
            process->waitForFinished(5000);
        }
        m_processes.clear();
        // openbox leaves a closed window active; the next test starts with nothing in front.
        m_x.publishActiveWindow(XCB_WINDOW_NONE);
    }

    void creationFailsWithoutDisplay() {
        QCOMPARE(X11Workspace::create(*m_entries, u":4711"_s), nullptr);
    }

    void nothingInFrontIsNoApplication() {
        QCOMPARE(frontmost(), nothing);
        QCOMPARE(queried(), nothing);
    }

    void xtermIsNamedByItsClass_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("name");

        QTest::newRow("plain xterm") << QStringList{} << "XTerm";
        QTest::newRow("instance is not the class")
            << QStringList{u"-name"_s, u"alpha"_s} << "XTerm";
        QTest::newRow("class with an entry")
            << QStringList{u"-class"_s, u"QuorelAlpha"_s} << "Alpha Fixture";
        QTest::newRow("unknown class, known executable")
            << QStringList{u"-class"_s, u"Nameless"_s} << "XTerm";
    }

    void xtermIsNamedByItsClass() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, name);

        QProcess* xterm = startXterm(arguments);
        const xcb_window_t w = windowOf(xterm);
        QVERIFY(w != XCB_WINDOW_NONE);
        QVERIFY(activate(w));
        QTRY_COMPARE(frontmost(), name);
        QCOMPARE(queried(), name);
    }

    void cachedAnswerChangesOnlyWithTheEvent() {
        const xcb_window_t alpha = window({"alpha", "QuorelAlpha"});
        const xcb_window_t beta = window({"beta", "QuorelBeta"});
        QVERIFY(activate(alpha));
        QTRY_COMPARE(frontmost(), u"Alpha Fixture"_s);

        // Without a turn of the event loop the answer stays what the last event said: no
        // round trip behind it.
        m_x.requestActivation(beta);
        QDeadlineTimer deadline(5000);
        while (m_x.activeWindow() != beta && !deadline.hasExpired()) {
            QThread::msleep(10);
        }
        QCOMPARE(m_x.activeWindow(), beta);
        QCOMPARE(frontmost(), u"Alpha Fixture"_s);

        // Asking the server reads the activation off the socket; the cache must still hear it.
        QCOMPARE(queried(), u"QuorelBeta"_s);
        QTRY_COMPARE(frontmost(), u"QuorelBeta"_s);
    }

    void classChangeOfTheWindowInFrontIsHeard() {
        const xcb_window_t w = window({"beta", "QuorelBeta"});
        QVERIFY(activate(w));
        QTRY_COMPARE(frontmost(), u"QuorelBeta"_s);
        m_x.setClass(w, "alpha", "QuorelAlpha");
        QTRY_COMPARE(frontmost(), u"Alpha Fixture"_s);
    }

    void windowWithoutClassIsNamedByItsOwner_data() {
        QTest::addColumn<bool>("transient");
        QTest::addColumn<bool>("leader");
        QTest::addColumn<bool>("ownerGone");
        QTest::addColumn<QString>("name");

        QTest::newRow("dialog of a window") << true << false << false << "Alpha Fixture";
        QTest::newRow("member of a client group") << false << true << false << "Alpha Fixture";
        QTest::newRow("no owner") << false << false << false << nothing;
        QTest::newRow("dialog of a window that is gone") << true << false << true << nothing;
    }

    void windowWithoutClassIsNamedByItsOwner() {
        QFETCH(bool, transient);
        QFETCH(bool, leader);
        QFETCH(bool, ownerGone);
        QFETCH(QString, name);

        // Group leaders are often never mapped.
        const xcb_window_t owner =
            window({.instance = "alpha", .wmClass = "QuorelAlpha", .mapped = !leader});
        const xcb_window_t w = window(
            {.transientFor = transient ? owner : noWindow, .leader = leader ? owner : noWindow});
        if (ownerGone) {
            m_windows.removeOne(owner);
            m_x.destroy(owner);
        }
        QVERIFY(activate(w));
        QTRY_COMPARE(frontmost(), name);
        QCOMPARE(queried(), name);
    }

    // Clients write whatever they like; nothing outside a property's bytes may become a name.
    // The window is a dialog of an "Alpha Fixture" window, so a class that cannot be read
    // names it by its owner.
    void malformedWindowPropertyFallsBack_data() {
        QTest::addColumn<QByteArray>("property");
        QTest::addColumn<QByteArray>("type");
        QTest::addColumn<int>("format");
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QString>("name");

        const auto wmClass = [](const char* row, const QByteArray& value, const QString& name,
                                const QByteArray& type = "STRING", int format = 8) {
            QTest::newRow(row) << "WM_CLASS"_ba << type << format << value << name;
        };
        const QString owner = u"Alpha Fixture"_s;
        wmClass("class", "gamma\0QuorelGamma\0"_ba, u"QuorelGamma"_s);
        wmClass("no final NUL", "gamma\0QuorelGamma"_ba, u"QuorelGamma"_s);
        wmClass("one part", "QuorelGamma"_ba, u"QuorelGamma"_s);
        wmClass("one part filling whole words", "QuorelGamma\0"_ba, u"QuorelGamma"_s);
        wmClass("empty instance", "\0QuorelGamma\0"_ba, u"QuorelGamma"_s);
        wmClass("empty class", "QuorelGamma\0\0"_ba, u"QuorelGamma"_s);
        wmClass("three parts", "gamma\0QuorelGamma\0extra\0"_ba, u"QuorelGamma"_s);
        wmClass("Latin-1", "gamma\0Qu\xe9rel\0"_ba, u"Qu\u00e9rel"_s);
        wmClass("UTF-8", "gamma\0Qu\xc3\xa9rel\0"_ba, u"Qu\u00e9rel"_s);
        wmClass("class with control characters", "QuorelGamma\0Quorel\x01\n\0"_ba,
                u"QuorelGamma"_s);
        wmClass("empty", QByteArray(), owner);
        wmClass("only NULs", "\0\0\0\0"_ba, owner);
        wmClass("wrong type", "gamma\0QuorelGamma\0"_ba, owner, "INTEGER");
        wmClass("16-bit format", "gamma\0QuorelGamma\0"_ba, owner, "STRING", 16);
        wmClass("32-bit format", "gamma\0QuorelGamma\0\0\0"_ba, owner, "STRING", 32);
        wmClass("a megabyte", QByteArray(1 << 20, 'g') + "\0QuorelGamma\0"_ba, owner);

        // Our own process id credits the window to this program; any other shape is no pid.
        const QByteArray ownPid =
            items32({static_cast<std::uint32_t>(QCoreApplication::applicationPid())});
        const auto pid = [](const char* row, const QByteArray& type, int format,
                            const QByteArray& value, const QString& name) {
            QTest::newRow(row) << "_NET_WM_PID"_ba << type << format << value << name;
        };
        pid("pid", "CARDINAL", 32, ownPid, u"Quorel"_s);
        pid("pid of wrong type", "INTEGER", 32, ownPid, u"QuorelBeta"_s);
        pid("pid in 16-bit format", "CARDINAL", 16, ownPid, u"QuorelBeta"_s);
        pid("pid without items", "CARDINAL", 32, QByteArray(), u"QuorelBeta"_s);
    }

    void malformedWindowPropertyFallsBack() {
        QFETCH(QByteArray, property);
        QFETCH(QByteArray, type);
        QFETCH(int, format);
        QFETCH(QByteArray, value);
        QFETCH(QString, name);

        const xcb_window_t owner = window({"alpha", "QuorelAlpha"});
        const xcb_window_t w =
            window({.instance = "beta", .wmClass = "QuorelBeta", .transientFor = owner});
        m_x.setProperty(w, property, type, format, value);
        QVERIFY(activate(w));
        QTRY_COMPARE(frontmost(), name);
        QCOMPARE(queried(), name);
    }

    // The window manager's word can be forged by any client: it is nothing unless it names a
    // window as EWMH says (type WINDOW, format 32, the first item).
    void malformedActiveWindowFallsBack_data() {
        QTest::addColumn<QByteArray>("type");  // empty: deleted
        QTest::addColumn<int>("format");
        QTest::addColumn<QByteArrayList>("windows");
        QTest::addColumn<QString>("name");

        QTest::newRow("wrong type") << "CARDINAL"_ba << 32 << QByteArrayList{"beta"} << nothing;
        QTest::newRow("8-bit format") << "WINDOW"_ba << 8 << QByteArrayList{"beta"} << nothing;
        QTest::newRow("no items") << "WINDOW"_ba << 32 << QByteArrayList{} << nothing;
        QTest::newRow("several items")
            << "WINDOW"_ba << 32 << QByteArrayList{"beta", "alpha"} << u"QuorelBeta"_s;
        QTest::newRow("id of no window")
            << "WINDOW"_ba << 32 << QByteArrayList{"unused"} << nothing;
        QTest::newRow("root window") << "WINDOW"_ba << 32 << QByteArrayList{"root"} << nothing;
        QTest::newRow("deleted") << QByteArray() << 0 << QByteArrayList{} << nothing;
    }

    void malformedActiveWindowFallsBack() {
        QFETCH(QByteArray, type);
        QFETCH(int, format);
        QFETCH(QByteArrayList, windows);
        QFETCH(QString, name);

        const QHash<QByteArray, xcb_window_t> ids{{"alpha", window({"alpha", "QuorelAlpha"})},
                                                  {"beta", window({"beta", "QuorelBeta"})},
                                                  {"unused", m_x.unusedId()},
                                                  {"root", m_x.root()}};
        QVERIFY(activate(ids["alpha"]));
        QTRY_COMPARE(frontmost(), u"Alpha Fixture"_s);

        QByteArray value;
        for (const QByteArray& w : std::as_const(windows)) {
            value += items32({ids[w]});
        }
        m_x.setProperty(m_x.root(), "_NET_ACTIVE_WINDOW", type, format, value);
        QTRY_COMPARE(frontmost(), name);
        QCOMPARE(queried(), name);
    }

    void ownWindowIsCreditedToThisProgram_data() {
        QTest::addColumn<QByteArray>("wmClass");
        QTest::addColumn<QByteArray>("machine");
        QTest::addColumn<QString>("name");

        QTest::newRow("no entry") << QByteArray("tst_x11workspace") << QByteArray() << "Quorel";
        QTest::newRow("its entry") << QByteArray("QuorelOwn") << QByteArray() << "Quorel Fixture";
        QTest::newRow("same pid on another machine")
            << QByteArray("tst_x11workspace") << QByteArray("elsewhere.invalid")
            << "tst_x11workspace";
    }

    void ownWindowIsCreditedToThisProgram() {
        QFETCH(QByteArray, wmClass);
        QFETCH(QByteArray, machine);
        QFETCH(QString, name);

        const xcb_window_t w = window({.instance = "own",
                                       .wmClass = wmClass,
                                       .pid = QCoreApplication::applicationPid(),
                                       .machine = machine});
        QVERIFY(activate(w));
        QTRY_COMPARE(frontmost(), name);
    }

    void desktopShellIsNoApplication() {
        const xcb_window_t alpha = window({"alpha", "QuorelAlpha"});
        QVERIFY(activate(alpha));
        QTRY_COMPARE(frontmost(), u"Alpha Fixture"_s);

        // Window managers differ in whether they focus the desktop: publish it by hand.
        const xcb_window_t desktop = window({.instance = "alpha",
                                             .wmClass = "QuorelAlpha",
                                             .types = {m_x.ewmh()._NET_WM_WINDOW_TYPE_DESKTOP}});
        m_x.publishActiveWindow(desktop);
        QTRY_COMPARE(frontmost(), nothing);
        QCOMPARE(queried(), nothing);
    }

    void activeWindowThatVanishedIsNothing() {
        const xcb_window_t alpha = window({"alpha", "QuorelAlpha"});
        QVERIFY(activate(alpha));
        QTRY_COMPARE(frontmost(), u"Alpha Fixture"_s);

        // The window manager's news of a window that is gone by the time we ask about it.
        const xcb_window_t gone = m_x.create({"beta", "QuorelBeta"});
        m_x.destroy(gone);
        m_x.publishActiveWindow(gone);
        QCOMPARE(queried(), nothing);
        QTRY_COMPARE(frontmost(), nothing);

        const xcb_window_t beta = window({"beta", "QuorelBeta"});
        QVERIFY(activate(beta));
        QTRY_COMPARE(frontmost(), u"QuorelBeta"_s);
    }

    void xtermKilledInFrontLeavesNothing() {
        QProcess* xterm = startXterm({});
        const xcb_window_t w = windowOf(xterm);
        QVERIFY(activate(w));
        QTRY_COMPARE(frontmost(), u"XTerm"_s);
        xterm->kill();
        QTRY_COMPARE(frontmost(), nothing);
        QCOMPARE(queried(), nothing);
    }

    void runningApplicationsAreGroupedInClientListOrder() {
        const xcb_window_t beta = window({"beta", "QuorelBeta", betaPid});
        window({"alpha", "QuorelAlpha", alphaPid});
        window({.transientFor = beta});  // named by its owner
        window({"gamma", "QuorelGamma"});
        window({"beta", "QuorelBeta", betaPid});
        window({"gamma", "QuorelGamma"});
        window({"own", "tst_x11workspace", QCoreApplication::applicationPid()});
        // Sandboxed clients report the process id of their own namespace.
        window({"delta", "QuorelDelta", 2});
        window({"epsilon", "QuorelEpsilon", 2});
        window({"zeta", "QuorelBeta", alphaPid});
        QTRY_COMPARE_WITH_TIMEOUT(
            running(),
            (QStringList{u"QuorelBeta"_s, u"Alpha Fixture"_s, u"QuorelGamma"_s,
                         u"Quorel (this program)"_s, u"QuorelDelta"_s, u"QuorelEpsilon"_s,
                         u"QuorelBeta"_s}),
            10000);
    }

    // Each window is "TYPE[,TYPE...]" (EWMH type names without _NET_WM_WINDOW_TYPE_, or ""
    // for none), then " skip" for skip-taskbar, " passive" for a window that takes no input.
    void applicationIsRegularWithAnOrdinaryTaskbarWindow_data() {
        QTest::addColumn<QByteArrayList>("windows");
        QTest::addColumn<bool>("listed");
        QTest::addColumn<bool>("regular");

        QTest::newRow("normal") << QByteArrayList{"NORMAL"} << true << true;
        QTest::newRow("no type") << QByteArrayList{""} << true << true;
        QTest::newRow("dialog") << QByteArrayList{"DIALOG"} << true << true;
        QTest::newRow("first known type decides")
            << QByteArrayList{"_KDE_NET_WM_WINDOW_TYPE_OVERRIDE,DIALOG"} << true << true;
        QTest::newRow("utility") << QByteArrayList{"UTILITY,NORMAL"} << true << false;
        QTest::newRow("skip-taskbar") << QByteArrayList{"NORMAL skip"} << true << false;
        // The desktop and its panels are nobody's application; a "panel" the keyboard reaches
        // is part of its application.
        QTest::newRow("dock") << QByteArrayList{"DOCK passive"} << false << false;
        QTest::newRow("dock taking input") << QByteArrayList{"DOCK"} << true << false;
        QTest::newRow("desktop, even if normal too")
            << QByteArrayList{"DESKTOP,NORMAL"} << false << false;
        QTest::newRow("one ordinary window among others")
            << QByteArrayList{"DOCK passive", "NORMAL skip", "NORMAL"} << true << true;
    }

    void applicationIsRegularWithAnOrdinaryTaskbarWindow() {
        QFETCH(QByteArrayList, windows);
        QFETCH(bool, regular);

        for (const QByteArray& description : std::as_const(windows)) {
            const QByteArrayList parts = description.split(' ');
            QList<xcb_atom_t> types;
            for (const QByteArray& type : parts[0].split(',')) {
                if (!type.isEmpty()) {
                    types << m_x.atom(type.startsWith('_') ? type : "_NET_WM_WINDOW_TYPE_" + type);
                }
            }
            window({.instance = "alpha",
                    .wmClass = "QuorelAlpha",
                    .pid = alphaPid,
                    .types = types,
                    .skipTaskbar = parts.contains("skip"),
                    .input = !parts.contains("passive")});
        }
        // Judged on every window: wait until the window manager lists the last one too (a dock
        // may never be listed).
        [[maybe_unused]] const bool managed =
            QTest::qWaitFor([this] { return m_x.clientList().contains(m_windows.last()); }, 2000);
        const std::optional<RunningApplication> alpha = runningNamed(u"Alpha Fixture"_s);
        QFETCH(bool, listed);
        QCOMPARE(alpha.has_value(), listed);
        QCOMPARE(alpha && alpha->isRegular, regular);
    }

    void hideIconifiesTheOrdinaryWindowsOfTheApplication_data() {
        QTest::addColumn<WindowSpec>("spec");
        QTest::addColumn<QString>("outcome");

        const xcb_ewmh_connection_t& ewmh = m_x.ewmh();
        QTest::newRow("normal window")
            << WindowSpec{"alpha", "QuorelAlpha", alphaPid} << u"iconic"_s;
        QTest::newRow("skip-taskbar dialog")
            << WindowSpec{.instance = "alpha",
                          .wmClass = "QuorelAlpha",
                          .pid = alphaPid,
                          .types = {ewmh._NET_WM_WINDOW_TYPE_DIALOG},
                          .skipTaskbar = true}
            << u"iconic"_s;
        // Unmapped, then listed by hand: openbox ignores requests about it.
        QTest::newRow("the window manager ignores the request")
            << WindowSpec{.instance = "alpha",
                          .wmClass = "QuorelAlpha",
                          .pid = alphaPid,
                          .mapped = false}
            << u"asked to hide"_s;
        QTest::newRow("dock of the same process")
            << WindowSpec{.instance = "alpha",
                          .wmClass = "QuorelAlpha",
                          .pid = alphaPid,
                          .types = {ewmh._NET_WM_WINDOW_TYPE_DOCK},
                          .input = false}
            << u"untouched"_s;
        // Asked to go, though openbox iconifies no panel.
        QTest::newRow("dock taking input") << WindowSpec{.instance = "alpha",
                                                         .wmClass = "QuorelAlpha",
                                                         .pid = alphaPid,
                                                         .types = {ewmh._NET_WM_WINDOW_TYPE_DOCK}}
                                           << u"asked to hide"_s;
        QTest::newRow("other process")
            << WindowSpec{"beta", "QuorelAlpha", betaPid} << u"untouched"_s;
    }

    void hideIconifiesTheOrdinaryWindowsOfTheApplication() {
        QFETCH(WindowSpec, spec);
        QFETCH(QString, outcome);

        RootRequests requests;
        const xcb_window_t anchor = window({"alpha", "QuorelAlpha", alphaPid});
        const xcb_window_t w = window(spec);
        const xcb_window_t vanishing = m_x.create({"alpha", "QuorelAlpha", alphaPid});
        QVERIFY(activate(vanishing));  // managed, so in the client list
        if (!spec.mapped) {
            m_x.listAsClient(w);
        }
        const std::optional<RunningApplication> alpha = runningNamed(u"Alpha Fixture"_s);
        QVERIFY(alpha);

        m_workspace->hide(*alpha);
        m_x.destroy(vanishing);  // before the check a moment later
        QTRY_COMPARE(m_x.wmState(anchor), std::uint32_t{XCB_ICCCM_WM_STATE_ICONIC});
        if (outcome == u"iconic") {
            QTRY_COMPARE(m_x.wmState(w), std::uint32_t{XCB_ICCCM_WM_STATE_ICONIC});
        } else if (outcome == u"asked to hide") {
            QTRY_VERIFY(requests.hiddenRequested().contains(w));
        } else {
            QTest::qWait(200);  // past the check
            QCOMPARE(m_x.wmState(w), std::uint32_t{XCB_ICCCM_WM_STATE_NORMAL});
            QVERIFY(!requests.hiddenRequested().contains(w));
        }
        QVERIFY(!requests.hiddenRequested().contains(anchor));
    }

    // The handler hides the last one from inside, as the engine does.
    void activationIsReportedOncePerApplicationComingToTheFront() {
        const xcb_window_t alpha = window({"alpha", "QuorelAlpha", alphaPid});
        const xcb_window_t alphaToo = window({"alpha", "QuorelAlpha", alphaPid});
        const xcb_window_t beta = window({"beta", "QuorelBeta", betaPid});
        const xcb_window_t gamma = window({"gamma", "QuorelGamma"});
        // openbox may focus new windows as it takes them in hand: start once it has.
        QTRY_COMPARE_WITH_TIMEOUT(
            running(), (QStringList{u"Alpha Fixture"_s, u"QuorelBeta"_s, u"QuorelGamma"_s}), 10000);
        QVERIFY(activate(gamma));
        QTRY_COMPARE(frontmost(), u"QuorelGamma"_s);
        QStringList reported;
        m_workspace->setActivationHandler([&](const RunningApplication& application) {
            reported << application.name;
            QVERIFY(!m_workspace->runningApplications().isEmpty());
            if (application.name == u"QuorelGamma") {
                m_workspace->hide(application);
            }
        });

        const QString alphaName = u"Alpha Fixture"_s;
        struct Step {
            xcb_window_t window;
            bool byHand;  // published as if by the window manager, to repeat a window or none
            QString front;
        };
        const Step steps[] = {{alpha, false, alphaName},    {alpha, true, alphaName},
                              {alphaToo, false, alphaName}, {beta, false, u"QuorelBeta"_s},
                              {noWindow, true, nothing},    {beta, true, u"QuorelBeta"_s},
                              {alpha, false, alphaName}};
        for (const Step& step : steps) {
            if (step.byHand) {
                m_x.publishActiveWindow(step.window);
            } else {
                QVERIFY(activate(step.window));
            }
            QTRY_COMPARE(frontmost(), step.front);
        }
        m_x.requestActivation(gamma);  // hidden at once: activate() would fight the handler
        QTRY_COMPARE(m_x.wmState(gamma), std::uint32_t{XCB_ICCCM_WM_STATE_ICONIC});
        // The window manager then puts another window in front, which may be reported too.
        QCOMPARE(reported.mid(0, 4),
                 (QStringList{alphaName, u"QuorelBeta"_s, alphaName, u"QuorelGamma"_s}));
    }

    // An xterm brought into sight by the user's own tools, without coming to the front, is
    // reported; one stripped of its class and typed as a panel is still the xterm program.
    void windowComingIntoSightIsReported_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("un-iconified by a pager") << u"un-iconified"_s;
        QTest::newRow("its desktop switched to") << u"desktop"_s;
        QTest::newRow("stripped, typed as a dock, mapped again") << u"stripped"_s;
    }
    void windowComingIntoSightIsReported() {
        QFETCH(QString, how);
        QProcess* xterm = startXterm({});
        const xcb_window_t w = windowOf(xterm);
        QVERIFY(w != XCB_WINDOW_NONE);
        QVERIFY(activate(w));
        const QString id = u"0x"_s + QString::number(w, 16);
        const auto run = [](const QString& tool, const QStringList& arguments) {
            return QProcess::execute(tool, arguments) == 0;
        };
        // Brought to the front in the same turn (the window manager focuses the one window of
        // a desktop switched to), it is told as an activation instead: either is in sight.
        QStringList shown;
        m_workspace->setShownHandler([&](const RunningApplication& a) { shown << a.name; });
        m_workspace->setActivationHandler([&](const RunningApplication& a) { shown << a.name; });

        if (how == u"un-iconified") {
            QVERIFY(run(u"xdotool"_s, {u"windowminimize"_s, u"--sync"_s, id}));
            QTRY_COMPARE(m_x.wmState(w), std::uint32_t{XCB_ICCCM_WM_STATE_ICONIC});
            QTest::qWait(100);
            shown.clear();
            QVERIFY(run(u"wmctrl"_s, {u"-i"_s, u"-r"_s, id, u"-b"_s, u"remove,hidden"_s}));
        } else if (how == u"desktop") {
            QVERIFY(run(u"wmctrl"_s, {u"-i"_s, u"-r"_s, id, u"-t"_s, u"1"_s}));
            QTest::qWait(100);
            shown.clear();
            QVERIFY(run(u"wmctrl"_s, {u"-s"_s, u"1"_s}));
        } else {
            QVERIFY(run(u"xprop"_s, {u"-id"_s, id, u"-remove"_s, u"WM_CLASS"_s}));
            QVERIFY(run(u"xprop"_s,
                        {u"-id"_s, id, u"-f"_s, u"_NET_WM_WINDOW_TYPE"_s, u"32a"_s, u"-set"_s,
                         u"_NET_WM_WINDOW_TYPE"_s, u"_NET_WM_WINDOW_TYPE_DOCK"_s}));
            QVERIFY(run(u"xdotool"_s, {u"windowunmap"_s, u"--sync"_s, id}));
            QTest::qWait(100);
            shown.clear();
            QVERIFY(run(u"xdotool"_s, {u"windowmap"_s, u"--sync"_s, id}));
        }
        QTRY_VERIFY2(shown.contains(u"XTerm"_s), qPrintable(shown.join(u", ")));
        QVERIFY(run(u"wmctrl"_s, {u"-s"_s, u"0"_s}));
    }

    void limitationIsSaidInAWaylandSession_data() {
        QTest::addColumn<QByteArray>("sessionType");
        QTest::addColumn<QByteArray>("waylandDisplay");
        QTest::addColumn<bool>("limited");

        QTest::newRow("X11 session") << "x11"_ba << QByteArray() << false;
        QTest::newRow("Wayland session") << "wayland"_ba << QByteArray() << true;
        QTest::newRow("Wayland display only") << QByteArray() << "wayland-0"_ba << true;
    }

    void limitationIsSaidInAWaylandSession() {
        QFETCH(QByteArray, sessionType);
        QFETCH(QByteArray, waylandDisplay);
        QFETCH(bool, limited);

        const auto set = [](const char* name, const QByteArray& value) {
            const QByteArray before = qgetenv(name);
            const bool was = qEnvironmentVariableIsSet(name);
            value.isNull() ? qunsetenv(name) : qputenv(name, value);
            return std::pair{before, was};
        };
        const auto session = set("XDG_SESSION_TYPE", sessionType);
        const auto display = set("WAYLAND_DISPLAY", waylandDisplay);
        const std::unique_ptr<X11Workspace> workspace = X11Workspace::create(*m_entries);
        set("XDG_SESSION_TYPE", session.second ? session.first : QByteArray());
        set("WAYLAND_DISPLAY", display.second ? display.first : QByteArray());
        QVERIFY(workspace);
        QCOMPARE(!workspace->limitation().isEmpty(), limited);
    }

    void installedApplicationsLeaveOutThisProgram() {
        QStringList names;
        for (const RunningApplication& application : m_workspace->installedApplications()) {
            names.append(application.name);
        }
        QVERIFY(names.contains(u"Alpha Fixture"_s));
        QVERIFY(names.contains(u"Quorel Fixture"_s));
        QVERIFY(!names.contains(u"Quorel"_s));
    }
};

QTEST_GUILESS_MAIN(TestX11Workspace)
#include "tst_x11workspace.moc"
