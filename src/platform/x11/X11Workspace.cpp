#include "X11Workspace.h"

#include "DesktopEntries.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QStringDecoder>
#include <QSysInfo>

#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>
#include <xcb/xcb_icccm.h>

#include <algorithm>
#include <cstdlib>
#include <string_view>

namespace Quorel {

namespace {

// Dialogs point at their owner, which points at its leader; a loop must not hang us.
constexpr int maxOwnerHops = 4;

// In 32-bit units, as X counts them. Generous: Chromium's instance carries a profile folder.
constexpr std::uint32_t maxWmClassLength = 1024;
constexpr std::uint32_t maxClientMachineLength = 64;  // a host name has at most 255 bytes
constexpr std::uint32_t maxWindowTypes = 32;

template <typename T>
struct FreeDeleter {
    void operator()(T* p) const { std::free(p); }
};
template <typename T>
using XcbReply = std::unique_ptr<T, FreeDeleter<T>>;

// Collects the error a failed request answers with, and frees it.
class ErrorSink {
public:
    ErrorSink() = default;
    ErrorSink(const ErrorSink&) = delete;
    ErrorSink& operator=(const ErrorSink&) = delete;
    ~ErrorSink() { std::free(m_error); }
    operator xcb_generic_error_t**() { return &m_error; }

private:
    xcb_generic_error_t* m_error = nullptr;
};

// WM_CLIENT_MACHINE is whatever the client's gethostname() said, with or without the domain.
bool isThisMachine(const QByteArray& clientMachine) {
    if (clientMachine.isEmpty()) {
        return true;  // not set: assume local, as most clients that omit it are
    }
    const QByteArray local = QSysInfo::machineHostName().toUtf8();
    const auto shortName = [](const QByteArray& host) {
        const qsizetype dot = host.indexOf('.');
        return dot < 0 ? host : host.left(dot);
    };
    return clientMachine == local || shortName(clientMachine) == shortName(local);
}

std::string_view bytesOf(const xcb_get_property_reply_t* reply) {
    const int length = xcb_get_property_value_length(reply);
    return {static_cast<const char*>(xcb_get_property_value(reply)),
            static_cast<std::size_t>(std::max(length, 0))};
}

// STRING is Latin-1 by ICCCM, yet most clients write UTF-8 there: UTF-8 when it is valid.
// Text with control characters is nobody's name.
QString textOf(std::string_view bytes) {
    const QByteArrayView view(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(view);
    if (utf8.hasError()) {
        text = QString::fromLatin1(view);
    }
    const bool control = std::any_of(text.cbegin(), text.cend(),
                                     [](QChar c) { return c.category() == QChar::Other_Control; });
    return control ? QString() : text;
}

struct WmClass {
    QString instance;
    QString name;
};

// WM_CLASS should read "instance\0class\0", but clients write what they like. Only the
// reply's own bytes are read: xcb_icccm_get_wm_class_reply (xcb-util-wm 0.4.1) writes before
// an empty value and reads past one whose only part fills whole words. One part names both;
// a value cut short (more than maxWmClassLength) is no class.
std::optional<WmClass> wmClassOf(const xcb_get_property_reply_t* reply) {
    if (!reply || reply->type != XCB_ATOM_STRING || reply->format != 8 || reply->bytes_after != 0) {
        return std::nullopt;
    }
    const std::string_view value = bytesOf(reply);
    const std::size_t split = value.find('\0');
    std::string_view name =
        split == std::string_view::npos ? std::string_view() : value.substr(split + 1);
    name = name.substr(0, name.find('\0'));
    WmClass wmClass{textOf(value.substr(0, split)), textOf(name)};
    if (wmClass.name.isEmpty()) {
        wmClass.name = wmClass.instance;
    }
    if (wmClass.name.isEmpty()) {
        return std::nullopt;
    }
    return wmClass;
}

}  // namespace

struct X11Workspace::WindowFacts {
    QString wmClass;
    QString wmInstance;
    qint64 pid = 0;  // 0 when unknown or not on this machine
    bool desktopShell = false;
};

struct X11Workspace::Connection {
    xcb_connection_t* c = nullptr;
    xcb_ewmh_connection_t ewmh{};
    bool ewmhReady = false;
    int screen = 0;
    xcb_window_t root = XCB_WINDOW_NONE;
    xcb_atom_t wmClientLeader = XCB_ATOM_NONE;

    Connection() = default;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection() {
        if (ewmhReady) {
            xcb_ewmh_connection_wipe(&ewmh);
        }
        if (c) {
            xcb_disconnect(c);
        }
    }

    bool broken() const { return xcb_connection_has_error(c) != 0; }

    // XCB_WINDOW_NONE when nothing is active, or on error. A missing reply (no server) is
    // nullopt.
    std::optional<xcb_window_t> activeWindow() {
        const xcb_get_property_cookie_t cookie = xcb_ewmh_get_active_window(&ewmh, screen);
        ErrorSink error;
        XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(c, cookie, error));
        if (!reply) {
            return std::nullopt;
        }
        xcb_window_t window = XCB_WINDOW_NONE;
        if (!xcb_ewmh_get_active_window_from_reply(&window, reply.get()) || window == root) {
            return XCB_WINDOW_NONE;
        }
        return window;
    }

    void selectEvents(xcb_window_t window, std::uint32_t mask) {
        // Unchecked: if the window is gone, the error arrives as an event and is dropped there.
        xcb_change_window_attributes(c, window, XCB_CW_EVENT_MASK, &mask);
    }

    // What one window says about itself; empty when it is gone.
    struct Properties {
        bool hasClass = false;
        QString wmClass;
        QString wmInstance;
        std::optional<std::uint32_t> pid;
        QByteArray machine;
        xcb_window_t owner = XCB_WINDOW_NONE;  // WM_TRANSIENT_FOR, else WM_CLIENT_LEADER
        bool desktopShell = false;
    };

    // One batch of requests, then one wait for all the replies. Any client may write any
    // property of any window, so each reply's type, format and length are checked before use.
    // The xcb-ewmh and xcb-icccm helpers used here check all three (single values must be
    // exactly one item, of the requested type, in format 32); the WM_CLASS one does not.
    Properties read(xcb_window_t window) {
        const auto classCookie =
            xcb_get_property(c, 0, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, maxWmClassLength);
        const auto pidCookie = xcb_ewmh_get_wm_pid(&ewmh, window);
        const auto machineCookie =
            xcb_get_property(c, 0, window, XCB_ATOM_WM_CLIENT_MACHINE, XCB_GET_PROPERTY_TYPE_ANY, 0,
                             maxClientMachineLength);
        const auto transientCookie = xcb_icccm_get_wm_transient_for(c, window);
        const auto leaderCookie =
            xcb_get_property(c, 0, window, wmClientLeader, XCB_ATOM_WINDOW, 0, 1);
        const auto typeCookie = xcb_get_property(c, 0, window, ewmh._NET_WM_WINDOW_TYPE,
                                                 XCB_ATOM_ATOM, 0, maxWindowTypes);
        Properties p;

        ErrorSink classError;
        XcbReply<xcb_get_property_reply_t> classReply(
            xcb_get_property_reply(c, classCookie, classError));
        if (const std::optional<WmClass> wmClass = wmClassOf(classReply.get())) {
            p.hasClass = true;
            p.wmClass = wmClass->name;
            p.wmInstance = wmClass->instance;
        }

        std::uint32_t pid = 0;
        ErrorSink pidError;
        if (xcb_ewmh_get_wm_pid_reply(&ewmh, pidCookie, &pid, pidError)) {
            p.pid = pid;
        }
        // A text property: STRING or UTF8_STRING, either way ASCII for a host name.
        ErrorSink machineError;
        XcbReply<xcb_get_property_reply_t> machine(
            xcb_get_property_reply(c, machineCookie, machineError));
        if (machine && machine->format == 8 &&
            (machine->type == XCB_ATOM_STRING || machine->type == ewmh.UTF8_STRING)) {
            const std::string_view bytes = bytesOf(machine.get());
            const std::string_view host = bytes.substr(0, bytes.find('\0'));  // some add a NUL
            p.machine = QByteArray(host.data(), static_cast<qsizetype>(host.size()));
        }

        ErrorSink transientError;
        if (!xcb_icccm_get_wm_transient_for_reply(c, transientCookie, &p.owner, transientError)) {
            p.owner = XCB_WINDOW_NONE;
        }
        ErrorSink leaderError;
        XcbReply<xcb_get_property_reply_t> leader(
            xcb_get_property_reply(c, leaderCookie, leaderError));
        if (p.owner == XCB_WINDOW_NONE && leader && leader->type == XCB_ATOM_WINDOW &&
            leader->format == 32 && xcb_get_property_value_length(leader.get()) >= 4) {
            p.owner = *static_cast<const xcb_window_t*>(xcb_get_property_value(leader.get()));
        }

        xcb_ewmh_get_atoms_reply_t types;
        ErrorSink typeError;
        if (xcb_ewmh_get_wm_window_type_reply(&ewmh, typeCookie, &types, typeError)) {
            for (std::uint32_t i = 0; i < types.atoms_len; ++i) {
                p.desktopShell |= types.atoms[i] == ewmh._NET_WM_WINDOW_TYPE_DESKTOP ||
                                  types.atoms[i] == ewmh._NET_WM_WINDOW_TYPE_DOCK;
            }
            xcb_ewmh_get_atoms_reply_wipe(&types);
        }
        return p;
    }

    // The application of a window. Dialogs and helper windows often lack WM_CLASS; then their
    // owner names them, and the first process id on the way counts.
    WindowFacts factsOf(xcb_window_t window) {
        WindowFacts facts;
        bool pidSeen = false;
        for (int hop = 0; hop < maxOwnerHops && window != XCB_WINDOW_NONE; ++hop) {
            const Properties p = read(window);
            if (hop == 0) {
                facts.desktopShell = p.desktopShell;
            }
            if (p.pid && !pidSeen) {
                pidSeen = true;
                facts.pid = isThisMachine(p.machine) ? *p.pid : 0;
            }
            if (p.hasClass) {
                facts.wmClass = p.wmClass;
                facts.wmInstance = p.wmInstance;
                break;
            }
            if (p.owner == window) {
                break;  // a leader that names itself and has no class
            }
            window = p.owner;
        }
        return facts;
    }
};

std::unique_ptr<X11Workspace> X11Workspace::create(DesktopEntries& entries,
                                                   const QString& displayName) {
    auto x = std::make_unique<Connection>();
    const QByteArray name = displayName.toLocal8Bit();
    x->c = xcb_connect(name.isEmpty() ? nullptr : name.constData(), &x->screen);
    if (x->broken()) {
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

    xcb_intern_atom_cookie_t* ewmhCookies = xcb_ewmh_init_atoms(x->c, &x->ewmh);
    const xcb_intern_atom_cookie_t leaderCookie =
        xcb_intern_atom(x->c, 0, sizeof("WM_CLIENT_LEADER") - 1, "WM_CLIENT_LEADER");
    x->ewmhReady = xcb_ewmh_init_atoms_replies(&x->ewmh, ewmhCookies, nullptr) != 0;
    ErrorSink leaderError;
    XcbReply<xcb_intern_atom_reply_t> leader(
        xcb_intern_atom_reply(x->c, leaderCookie, leaderError));
    if (!x->ewmhReady || !leader) {
        return nullptr;
    }
    x->wmClientLeader = leader->atom;

    // Listen before reading, so that no activation falls between the two.
    x->selectEvents(x->root, XCB_EVENT_MASK_PROPERTY_CHANGE);
    if (!x->activeWindow()) {
        return nullptr;
    }

    std::unique_ptr<X11Workspace> workspace(new X11Workspace(std::move(x), entries));
    workspace->refresh();
    workspace->scheduleQueuedEvents();
    return workspace;
}

X11Workspace::X11Workspace(std::unique_ptr<Connection> connection, DesktopEntries& entries)
    : m_x(std::move(connection)), m_entries(entries) {
    m_notifier = new QSocketNotifier(xcb_get_file_descriptor(m_x->c), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &X11Workspace::handleEvents);
}

X11Workspace::~X11Workspace() {
    delete m_notifier;  // before the connection closes its descriptor
}

std::optional<QString> X11Workspace::frontmostApplicationName() {
    return m_frontmostName;
}

std::optional<QString> X11Workspace::queryFrontmostApplicationName() {
    const std::optional<xcb_window_t> active = m_x->activeWindow();
    std::optional<QString> name;
    if (active && *active != XCB_WINDOW_NONE) {
        name = applicationNameOf(*active);
    }
    scheduleQueuedEvents();
    return name;
}

// Waiting for a reply makes xcb read every event that came before it into its own queue, where
// the socket notifier cannot see it. Whoever waited for replies outside handleEvents() calls
// this, so those events are handled on the next turn of the event loop.
void X11Workspace::scheduleQueuedEvents() {
    if (m_drainScheduled) {
        return;
    }
    m_drainScheduled = true;
    QMetaObject::invokeMethod(this, &X11Workspace::handleEvents, Qt::QueuedConnection);
}

void X11Workspace::handleEvents() {
    m_drainScheduled = false;
    const xcb_atom_t activeAtom = m_x->ewmh._NET_ACTIVE_WINDOW;
    const xcb_atom_t pidAtom = m_x->ewmh._NET_WM_PID;
    for (;;) {
        bool changed = false;
        // Several activations in a row are answered with one refresh, for the last of them.
        while (XcbReply<xcb_generic_event_t> event{xcb_poll_for_event(m_x->c)}) {
            switch (event->response_type & 0x7f) {
                case XCB_PROPERTY_NOTIFY: {
                    const auto* notify =
                        reinterpret_cast<xcb_property_notify_event_t*>(event.get());
                    changed |= (notify->window == m_x->root && notify->atom == activeAtom) ||
                               (notify->window == m_watchedWindow &&
                                (notify->atom == XCB_ATOM_WM_CLASS || notify->atom == pidAtom));
                    break;
                }
                case XCB_DESTROY_NOTIFY: {
                    const auto* notify = reinterpret_cast<xcb_destroy_notify_event_t*>(event.get());
                    if (notify->window == m_watchedWindow) {
                        m_watchedWindow = XCB_WINDOW_NONE;  // its id is free for reuse
                        changed = true;
                    }
                    break;
                }
                default:
                    break;  // errors of unchecked requests: windows that went away meanwhile
            }
        }
        if (m_x->broken()) {
            // The server is gone; the fd would stay readable for ever.
            m_notifier->setEnabled(false);
            m_frontmostName.reset();
            m_watchedWindow = XCB_WINDOW_NONE;
            return;
        }
        if (!changed) {
            return;
        }
        refresh();  // its replies may queue more events: go round again
    }
}

void X11Workspace::refresh() {
    // Always resolved again, even for the same id: X reuses the ids of closed windows, and
    // openbox leaves a closed window as the active one until another takes focus.
    const xcb_window_t active = m_x->activeWindow().value_or(XCB_WINDOW_NONE);
    watch(active);
    m_frontmostName.reset();
    if (active != XCB_WINDOW_NONE) {
        m_frontmostName = applicationNameOf(active);
    }
}

void X11Workspace::watch(xcb_window_t window) {
    if (window != m_watchedWindow && m_watchedWindow != XCB_WINDOW_NONE) {
        m_x->selectEvents(m_watchedWindow, XCB_EVENT_MASK_NO_EVENT);
    }
    // Selected again even when it is the same id, which may belong to a new window by now.
    if (window != XCB_WINDOW_NONE) {
        m_x->selectEvents(window, XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY);
    }
    m_watchedWindow = window;
}

std::optional<QString> X11Workspace::applicationNameOf(xcb_window_t window) {
    const WindowFacts facts = m_x->factsOf(window);
    // The desktop and its panels are nobody's application in front.
    if (facts.desktopShell) {
        return std::nullopt;
    }
    const std::optional<ResolvedApplication> resolved =
        m_entries.resolve(facts.wmClass, facts.wmInstance, facts.pid);
    // Our own windows: the desktop entry's name when one matches, whatever Qt set as class.
    const bool ours = facts.pid != 0 && facts.pid == QCoreApplication::applicationPid();
    if (ours && (!resolved || resolved->desktopId.isEmpty())) {
        return QStringLiteral("Quorel");
    }
    if (!resolved) {
        return std::nullopt;
    }
    return resolved->name;
}

}  // namespace Quorel
