// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "X11Workspace.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QStringDecoder>
#include <QSysInfo>
#include <QTimer>

#include "XcbDisplay.h"

#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>
#include <xcb/xcb_icccm.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <span>
#include <string_view>
#include <utility>

namespace Quorel {

namespace {

// Dialogs point at their owner, which points at its leader; a loop must not hang us.
constexpr int maxOwnerHops = 4;

// In 32-bit units, as X counts them. Generous: Chromium's instance carries a profile folder.
constexpr std::uint32_t maxWmClassLength = 1024;
constexpr std::uint32_t maxClientMachineLength = 64;  // a host name has at most 255 bytes
constexpr std::uint32_t maxWindowTypes = 32;
constexpr std::uint32_t maxWindowStates = 32;
constexpr std::uint32_t maxClients = 4096;  // any client may write the list; read no more
constexpr std::uint32_t allDesktops = 0xFFFFFFFF;
// What each client is listened to for: identity and state changes, maps, its end.
constexpr std::uint32_t clientEvents =
    XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
// Frames seen taking a client in; forgotten when destroyed, so this bounds only a leak.
constexpr qsizetype maxFrames = 8192;

// Long enough for a window manager to iconify, short enough that the user sees no delay.
constexpr std::chrono::milliseconds iconifyGrace{50};

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

// The 32-bit items of a property of the given type; none when the reply is of another shape.
template <typename T>
std::span<const T> itemsOf(const xcb_get_property_reply_t* reply, xcb_atom_t type) {
    static_assert(sizeof(T) == 4);
    if (!reply || reply->type != type || reply->format != 32) {
        return {};
    }
    const int length = xcb_get_property_value_length(reply);
    return {static_cast<const T*>(xcb_get_property_value(reply)),
            static_cast<std::size_t>(std::max(length, 0)) / sizeof(T)};
}

bool contains(std::span<const xcb_atom_t> atoms, xcb_atom_t atom) {
    return std::find(atoms.begin(), atoms.end(), atom) != atoms.end();
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

struct X11Workspace::Connection {
    xcb_connection_t* c = nullptr;
    xcb_ewmh_connection_t ewmh{};
    bool ewmhReady = false;
    int screen = 0;
    xcb_window_t root = XCB_WINDOW_NONE;
    xcb_atom_t wmClientLeader = XCB_ATOM_NONE;
    xcb_atom_t wmChangeState = XCB_ATOM_NONE;
    xcb_atom_t wmState = XCB_ATOM_NONE;
    xcb_atom_t wmTakeFocus = XCB_ATOM_NONE;

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
        WindowType type = WindowType::Normal;
        bool dock = false;        // typed as a panel
        bool takesInput = false;  // WM_HINTS input, or WM_TAKE_FOCUS
        bool skipTaskbar = false;
    };

    struct Cookies {
        xcb_get_property_cookie_t wmClass, pid, machine, transient, leader, type, state, hints,
            protocols;
    };

    Cookies request(xcb_window_t window) {
        return {
            xcb_get_property(c, 0, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, maxWmClassLength),
            xcb_ewmh_get_wm_pid(&ewmh, window),
            xcb_get_property(c, 0, window, XCB_ATOM_WM_CLIENT_MACHINE, XCB_GET_PROPERTY_TYPE_ANY, 0,
                             maxClientMachineLength),
            xcb_icccm_get_wm_transient_for(c, window),
            xcb_get_property(c, 0, window, wmClientLeader, XCB_ATOM_WINDOW, 0, 1),
            xcb_get_property(c, 0, window, ewmh._NET_WM_WINDOW_TYPE, XCB_ATOM_ATOM, 0,
                             maxWindowTypes),
            xcb_get_property(c, 0, window, ewmh._NET_WM_STATE, XCB_ATOM_ATOM, 0, maxWindowStates),
            xcb_icccm_get_wm_hints(c, window),
            xcb_icccm_get_wm_protocols(c, window, ewmh.WM_PROTOCOLS),
        };
    }

    // Requests go out in batches (request() for every window), then the replies are collected.
    // Any client may write any property of any window, so each reply's type, format and length
    // are checked before use. The xcb-ewmh and xcb-icccm helpers used here check all three
    // (single values must be exactly one item, of the requested type, in format 32); the
    // WM_CLASS one does not.
    Properties collect(const Cookies& cookies) {
        Properties p;

        ErrorSink classError;
        XcbReply<xcb_get_property_reply_t> classReply(
            xcb_get_property_reply(c, cookies.wmClass, classError));
        if (const std::optional<WmClass> wmClass = wmClassOf(classReply.get())) {
            p.hasClass = true;
            p.wmClass = wmClass->name;
            p.wmInstance = wmClass->instance;
        }

        std::uint32_t pid = 0;
        ErrorSink pidError;
        if (xcb_ewmh_get_wm_pid_reply(&ewmh, cookies.pid, &pid, pidError)) {
            p.pid = pid;
        }
        // A text property: STRING or UTF8_STRING, either way ASCII for a host name.
        ErrorSink machineError;
        XcbReply<xcb_get_property_reply_t> machine(
            xcb_get_property_reply(c, cookies.machine, machineError));
        if (machine && machine->format == 8 &&
            (machine->type == XCB_ATOM_STRING || machine->type == ewmh.UTF8_STRING)) {
            const std::string_view bytes = bytesOf(machine.get());
            const std::string_view host = bytes.substr(0, bytes.find('\0'));  // some add a NUL
            p.machine = QByteArray(host.data(), static_cast<qsizetype>(host.size()));
        }

        ErrorSink transientError;
        if (!xcb_icccm_get_wm_transient_for_reply(c, cookies.transient, &p.owner, transientError)) {
            p.owner = XCB_WINDOW_NONE;
        }
        ErrorSink leaderError;
        XcbReply<xcb_get_property_reply_t> leader(
            xcb_get_property_reply(c, cookies.leader, leaderError));
        if (p.owner == XCB_WINDOW_NONE && leader && leader->type == XCB_ATOM_WINDOW &&
            leader->format == 32 && xcb_get_property_value_length(leader.get()) >= 4) {
            p.owner = *static_cast<const xcb_window_t*>(xcb_get_property_value(leader.get()));
        }

        // In order of preference: the first type the window manager knows is the one it uses,
        // and a window without one is normal. The desktop and its panels never count.
        ErrorSink typeError;
        XcbReply<xcb_get_property_reply_t> types(
            xcb_get_property_reply(c, cookies.type, typeError));
        const auto typeList = itemsOf<xcb_atom_t>(types.get(), XCB_ATOM_ATOM);
        const std::array knownTypes{
            ewmh._NET_WM_WINDOW_TYPE_NORMAL,        ewmh._NET_WM_WINDOW_TYPE_DIALOG,
            ewmh._NET_WM_WINDOW_TYPE_DESKTOP,       ewmh._NET_WM_WINDOW_TYPE_DOCK,
            ewmh._NET_WM_WINDOW_TYPE_TOOLBAR,       ewmh._NET_WM_WINDOW_TYPE_MENU,
            ewmh._NET_WM_WINDOW_TYPE_UTILITY,       ewmh._NET_WM_WINDOW_TYPE_SPLASH,
            ewmh._NET_WM_WINDOW_TYPE_DROPDOWN_MENU, ewmh._NET_WM_WINDOW_TYPE_POPUP_MENU,
            ewmh._NET_WM_WINDOW_TYPE_TOOLTIP,       ewmh._NET_WM_WINDOW_TYPE_NOTIFICATION,
            ewmh._NET_WM_WINDOW_TYPE_COMBO,         ewmh._NET_WM_WINDOW_TYPE_DND};
        const auto firstKnown = std::find_first_of(typeList.begin(), typeList.end(),
                                                   knownTypes.cbegin(), knownTypes.cend());
        p.dock = contains(typeList, ewmh._NET_WM_WINDOW_TYPE_DOCK);
        if (p.dock || contains(typeList, ewmh._NET_WM_WINDOW_TYPE_DESKTOP)) {
            p.type = WindowType::DesktopShell;
        } else if (firstKnown == typeList.end() || *firstKnown == ewmh._NET_WM_WINDOW_TYPE_NORMAL) {
            p.type = WindowType::Normal;
        } else if (*firstKnown == ewmh._NET_WM_WINDOW_TYPE_DIALOG) {
            p.type = WindowType::Dialog;
        } else {
            p.type = WindowType::Auxiliary;
        }

        ErrorSink stateError;
        XcbReply<xcb_get_property_reply_t> states(
            xcb_get_property_reply(c, cookies.state, stateError));
        p.skipTaskbar = contains(itemsOf<xcb_atom_t>(states.get(), XCB_ATOM_ATOM),
                                 ewmh._NET_WM_STATE_SKIP_TASKBAR);

        xcb_icccm_wm_hints_t hints{};
        ErrorSink hintsError;
        p.takesInput = xcb_icccm_get_wm_hints_reply(c, cookies.hints, &hints, hintsError) &&
                       (hints.flags & XCB_ICCCM_WM_HINT_INPUT) != 0 && hints.input != 0;
        xcb_icccm_get_wm_protocols_reply_t protocols{};
        ErrorSink protocolsError;
        if (xcb_icccm_get_wm_protocols_reply(c, cookies.protocols, &protocols, protocolsError)) {
            p.takesInput =
                p.takesInput || contains({protocols.atoms, protocols.atoms_len}, wmTakeFocus);
            xcb_icccm_get_wm_protocols_reply_wipe(&protocols);
        }
        return p;
    }

    Properties read(xcb_window_t window) { return collect(request(window)); }

    // The application of a window, from its own properties (p). Dialogs and helper windows
    // often lack WM_CLASS; then their owner names them, and the first process id on the way
    // counts. A panel the keyboard reaches (it takes input, or has the focus) is no panel but
    // part of its application: typing a window as a dock must not take it out of reach.
    WindowFacts factsOf(xcb_window_t window, Properties p, bool focused = false) {
        WindowFacts facts;
        facts.id = QString::number(window);
        facts.type = p.dock && (p.takesInput || focused) ? WindowType::Auxiliary : p.type;
        facts.skipTaskbar = p.skipTaskbar;
        bool pidSeen = false;
        for (int hop = 1;; ++hop) {
            if (p.pid && !pidSeen) {
                pidSeen = true;
                facts.pid = isThisMachine(p.machine) ? *p.pid : 0;
            }
            if (p.hasClass) {
                facts.windowClass = p.wmClass;
                facts.instance = p.wmInstance;
                break;
            }
            // A leader that names itself and has no class ends it, as does a loop.
            if (p.owner == XCB_WINDOW_NONE || p.owner == window || hop == maxOwnerHops) {
                break;
            }
            window = p.owner;
            p = read(window);
        }
        return facts;
    }

    WindowFacts factsOf(xcb_window_t window, bool focused = false) {
        return factsOf(window, read(window), focused);
    }

    // The facts of each window, asked in one batch.
    std::vector<WindowFacts> factsOf(const std::vector<xcb_window_t>& windows) {
        std::vector<Cookies> cookies;
        cookies.reserve(windows.size());
        for (const xcb_window_t window : windows) {
            cookies.push_back(request(window));
        }
        std::vector<WindowFacts> facts;
        facts.reserve(windows.size());
        for (std::size_t i = 0; i < windows.size(); ++i) {
            facts.push_back(factsOf(windows[i], collect(cookies[i])));
        }
        return facts;
    }

    // The frame each window sits in (its parent), asked in one batch; the root for a window
    // the window manager did not reparent, none for one that is gone.
    std::vector<xcb_window_t> parentsOf(const std::vector<xcb_window_t>& windows) {
        std::vector<xcb_query_tree_cookie_t> cookies;
        cookies.reserve(windows.size());
        for (const xcb_window_t window : windows) {
            cookies.push_back(xcb_query_tree(c, window));
        }
        std::vector<xcb_window_t> parents;
        parents.reserve(windows.size());
        for (const auto cookie : cookies) {
            ErrorSink error;
            XcbReply<xcb_query_tree_reply_t> reply(xcb_query_tree_reply(c, cookie, error));
            parents.push_back(reply ? reply->parent : xcb_window_t{XCB_WINDOW_NONE});
        }
        return parents;
    }

    // Those of the windows the user can see: viewable (mapped, in a mapped frame), neither
    // iconic nor hidden, and on the current desktop or on all of them. Asked in one batch.
    std::vector<xcb_window_t> inSight(const std::vector<xcb_window_t>& windows) {
        const auto desktopCookie = xcb_ewmh_get_current_desktop(&ewmh, screen);
        struct Asked {
            xcb_get_window_attributes_cookie_t attributes;
            xcb_get_property_cookie_t state, netState, desktop;
        };
        std::vector<Asked> cookies;
        cookies.reserve(windows.size());
        for (const xcb_window_t window : windows) {
            cookies.push_back({xcb_get_window_attributes(c, window),
                               xcb_get_property(c, 0, window, wmState, wmState, 0, 1),
                               xcb_get_property(c, 0, window, ewmh._NET_WM_STATE, XCB_ATOM_ATOM, 0,
                                                maxWindowStates),
                               xcb_ewmh_get_wm_desktop(&ewmh, window)});
        }
        std::uint32_t current = 0;
        ErrorSink desktopError;
        const bool knowsDesktop =
            xcb_ewmh_get_current_desktop_reply(&ewmh, desktopCookie, &current, desktopError) != 0;
        std::vector<xcb_window_t> out;
        for (std::size_t i = 0; i < windows.size(); ++i) {
            ErrorSink attributesError;
            XcbReply<xcb_get_window_attributes_reply_t> attributes(
                xcb_get_window_attributes_reply(c, cookies[i].attributes, attributesError));
            ErrorSink stateError;
            XcbReply<xcb_get_property_reply_t> state(
                xcb_get_property_reply(c, cookies[i].state, stateError));
            ErrorSink netStateError;
            XcbReply<xcb_get_property_reply_t> netState(
                xcb_get_property_reply(c, cookies[i].netState, netStateError));
            std::uint32_t desktop = 0;
            ErrorSink windowDesktopError;
            const bool onOne = xcb_ewmh_get_wm_desktop_reply(&ewmh, cookies[i].desktop, &desktop,
                                                             windowDesktopError) != 0;
            const auto wm = itemsOf<std::uint32_t>(state.get(), wmState);
            const bool viewable =
                attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE &&
                (wm.empty() || wm.front() != XCB_ICCCM_WM_STATE_ICONIC) &&
                !contains(itemsOf<xcb_atom_t>(netState.get(), XCB_ATOM_ATOM),
                          ewmh._NET_WM_STATE_HIDDEN) &&
                (!knowsDesktop || !onOne || desktop == current || desktop == allDesktops);
            if (viewable) {
                out.push_back(windows[i]);
            }
        }
        return out;
    }

    // Every event the server sent before now is in xcb's queue afterwards.
    void sync() {
        ErrorSink error;
        XcbReply<xcb_get_input_focus_reply_t>(
            xcb_get_input_focus_reply(c, xcb_get_input_focus(c), error));
    }

    // The managed windows, in the window manager's order.
    std::vector<xcb_window_t> clientList() {
        const auto cookie =
            xcb_get_property(c, 0, root, ewmh._NET_CLIENT_LIST, XCB_ATOM_WINDOW, 0, maxClients);
        ErrorSink error;
        XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(c, cookie, error));
        const auto windows = itemsOf<xcb_window_t>(reply.get(), XCB_ATOM_WINDOW);
        return {windows.begin(), windows.end()};
    }

    // ICCCM 4.1.4: how a client asks to be iconified, sent here on the client's behalf.
    void requestIconic(xcb_window_t window) {
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = window;
        event.type = wmChangeState;
        event.data.data32[0] = XCB_ICCCM_WM_STATE_ICONIC;
        xcb_send_event(c, 0, root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&event));
    }

    // The desktop after the current one, when there is more than one.
    void requestOtherDesktop(xcb_window_t window) {
        const auto countCookie = xcb_ewmh_get_number_of_desktops(&ewmh, screen);
        const auto currentCookie = xcb_ewmh_get_current_desktop(&ewmh, screen);
        std::uint32_t count = 0;
        std::uint32_t current = 0;
        ErrorSink countError;
        ErrorSink currentError;
        const bool counted =
            xcb_ewmh_get_number_of_desktops_reply(&ewmh, countCookie, &count, countError) != 0;
        if (xcb_ewmh_get_current_desktop_reply(&ewmh, currentCookie, &current, currentError) &&
            counted && count > 1) {
            xcb_ewmh_request_change_wm_desktop(&ewmh, screen, window, (current + 1) % count,
                                               XCB_EWMH_CLIENT_SOURCE_TYPE_OTHER);
        }
    }

    void requestHidden(xcb_window_t window) {
        xcb_ewmh_request_change_wm_state(&ewmh, screen, window, XCB_EWMH_WM_STATE_ADD,
                                         ewmh._NET_WM_STATE_HIDDEN, XCB_ATOM_NONE,
                                         XCB_EWMH_CLIENT_SOURCE_TYPE_OTHER);
    }

    // Those of the windows that are neither iconic (WM_STATE) nor hidden (_NET_WM_STATE).
    // Windows that are gone are neither, and are left out.
    std::vector<xcb_window_t> notIconic(const std::vector<xcb_window_t>& windows) {
        std::vector<std::pair<xcb_get_property_cookie_t, xcb_get_property_cookie_t>> cookies;
        cookies.reserve(windows.size());
        for (const xcb_window_t window : windows) {
            cookies.emplace_back(xcb_get_property(c, 0, window, wmState, wmState, 0, 1),
                                 xcb_get_property(c, 0, window, ewmh._NET_WM_STATE, XCB_ATOM_ATOM,
                                                  0, maxWindowStates));
        }
        std::vector<xcb_window_t> out;
        for (std::size_t i = 0; i < windows.size(); ++i) {
            ErrorSink stateError;
            XcbReply<xcb_get_property_reply_t> state(
                xcb_get_property_reply(c, cookies[i].first, stateError));
            ErrorSink netStateError;
            XcbReply<xcb_get_property_reply_t> netState(
                xcb_get_property_reply(c, cookies[i].second, netStateError));
            if (!state) {
                continue;
            }
            const auto wm = itemsOf<std::uint32_t>(state.get(), wmState);
            const bool iconic = !wm.empty() && wm.front() == XCB_ICCCM_WM_STATE_ICONIC;
            if (!iconic && !contains(itemsOf<xcb_atom_t>(netState.get(), XCB_ATOM_ATOM),
                                     ewmh._NET_WM_STATE_HIDDEN)) {
                out.push_back(windows[i]);
            }
        }
        return out;
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
    const auto intern = [&x](std::string_view atom) {
        return xcb_intern_atom(x->c, 0, static_cast<std::uint16_t>(atom.size()), atom.data());
    };
    const std::array atomCookies{intern("WM_CLIENT_LEADER"), intern("WM_CHANGE_STATE"),
                                 intern("WM_STATE"), intern("WM_TAKE_FOCUS")};
    x->ewmhReady = xcb_ewmh_init_atoms_replies(&x->ewmh, ewmhCookies, nullptr) != 0;
    std::array<xcb_atom_t, atomCookies.size()> atoms{};
    for (std::size_t i = 0; i < atoms.size(); ++i) {
        ErrorSink error;
        XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(x->c, atomCookies[i], error));
        atoms[i] = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    }
    if (!x->ewmhReady || std::find(atoms.cbegin(), atoms.cend(), XCB_ATOM_NONE) != atoms.cend()) {
        return nullptr;
    }
    x->wmClientLeader = atoms[0];
    x->wmChangeState = atoms[1];
    x->wmState = atoms[2];
    x->wmTakeFocus = atoms[3];

    // Listen before reading, so that no activation falls between the two. Substructure: frames
    // mapped (a desktop switched to, a window shown again) and clients reparented into them.
    x->selectEvents(x->root, XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY);
    if (!x->activeWindow()) {
        return nullptr;
    }

    // An X11 channel in a Wayland session sees only the apps that run through XWayland.
    const bool wayland = qEnvironmentVariable("XDG_SESSION_TYPE") == u"wayland" ||
                         !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    std::unique_ptr<X11Workspace> workspace(new X11Workspace(std::move(x), entries, wayland));
    workspace->listClients();
    workspace->m_maybeShown.clear();  // on screen already: no news either
    workspace->refresh();
    workspace->m_core.deliverActivations();  // nobody listens yet: the first front is no news
    workspace->scheduleQueuedEvents();
    return workspace;
}

X11Workspace::X11Workspace(std::unique_ptr<Connection> connection, DesktopEntries& entries,
                           bool waylandSession)
    : m_x(std::move(connection)), m_core(entries), m_waylandSession(waylandSession) {
    m_notifier = new QSocketNotifier(xcb_get_file_descriptor(m_x->c), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &X11Workspace::handleEvents);
    m_clock.start();
    m_iconifyCheck = new QTimer(this);
    m_iconifyCheck->setSingleShot(true);
    m_iconifyCheck->setInterval(iconifyGrace);
    connect(m_iconifyCheck, &QTimer::timeout, this, &X11Workspace::checkIconified);
}

X11Workspace::~X11Workspace() {
    delete m_notifier;  // before the connection closes its descriptor
}

std::optional<QString> X11Workspace::frontmostApplicationName() {
    const std::optional<RunningApplication>& front = m_core.frontmost();
    if (!front || front->name.isEmpty()) {
        return std::nullopt;
    }
    return front->name;
}

std::optional<RunningApplication> X11Workspace::frontmostApplication() {
    return m_core.frontmost();
}

std::optional<QString> X11Workspace::queryFrontmostApplicationName() {
    const std::optional<xcb_window_t> active = m_x->activeWindow();
    std::optional<RunningApplication> application;
    if (active && *active != XCB_WINDOW_NONE) {
        application = m_core.applicationOf(m_x->factsOf(*active));
    }
    scheduleQueuedEvents();
    if (!application || application->name.isEmpty()) {
        return std::nullopt;
    }
    return application->name;
}

// As the server has it now: whatever changed before this call is in the answer.
QList<RunningApplication> X11Workspace::runningApplications() {
    m_x->sync();
    readEvents();
    const QList<WindowFacts> windows = clientFacts();
    scheduleQueuedEvents();
    return m_core.applicationsOf(windows);
}

// Reads the facts of those of the windows the cache lacks, in one batch.
void X11Workspace::learnFactsOf(const std::vector<std::uint32_t>& windows) {
    std::vector<xcb_window_t> unknown;
    for (const xcb_window_t window : windows) {
        if (!m_facts.contains(window)) {
            unknown.push_back(window);
        }
    }
    if (!unknown.empty()) {
        std::vector<WindowFacts> read = m_x->factsOf(unknown);
        for (std::size_t i = 0; i < unknown.size(); ++i) {
            m_facts.insert(unknown[i], std::move(read[i]));
        }
    }
}

// From the cache; only clients new to it, or all after a change of identity, are read (one
// batch). Hiding many applications in a row so reads the clients once, not once for each.
QList<WindowFacts> X11Workspace::clientFacts() {
    listClients();
    learnFactsOf(m_clients);
    QList<WindowFacts> windows;
    windows.reserve(static_cast<qsizetype>(m_clients.size()));
    for (const xcb_window_t window : m_clients) {
        const WindowFacts& facts = m_facts[window];
        if (!WorkspaceCore::keyOf(facts).isEmpty()) {
            windows.append(facts);
        }
    }
    return windows;
}

// _NET_CLIENT_LIST read again after it changed. New clients are listened to (identity and state
// changes, maps) before their properties are read, and may have come into sight.
void X11Workspace::listClients() {
    if (!m_clientsStale) {
        return;
    }
    m_clientsStale = false;
    std::vector<xcb_window_t> clients = m_x->clientList();
    QSet<std::uint32_t> listed;
    listed.reserve(static_cast<qsizetype>(clients.size()));
    std::vector<xcb_window_t> added;
    for (const xcb_window_t window : clients) {
        listed.insert(window);
        if (!m_clientSet.contains(window)) {
            added.push_back(window);
            m_x->selectEvents(window, clientEvents);
            m_maybeShown.insert(window);
        }
    }
    for (const std::uint32_t window : std::as_const(m_clientSet)) {
        if (!listed.contains(window)) {
            m_facts.remove(window);
        }
    }
    // Clients taken in before we listened: their frames, so that a frame mapped says whose.
    const std::vector<xcb_window_t> parents = m_x->parentsOf(added);
    for (std::size_t i = 0; i < added.size(); ++i) {
        rememberFrame(parents[i], added[i]);
    }
    m_clients = std::move(clients);
    m_clientSet = std::move(listed);
}

void X11Workspace::rememberFrame(xcb_window_t frame, xcb_window_t client) {
    if (frame == XCB_WINDOW_NONE || frame == m_x->root) {
        return;
    }
    if (m_clientOfFrame.size() >= maxFrames) {
        m_clientOfFrame.clear();
    }
    m_clientOfFrame.insert(frame, client);
}

// Of the clients that may have come into sight, those the user sees now go to the shown
// handler: one batch for all of them, so a burst of maps costs one round trip.
void X11Workspace::checkShown() {
    listClients();
    std::vector<xcb_window_t> candidates;
    for (const std::uint32_t window : std::as_const(m_maybeShown)) {
        if (m_clientSet.contains(window)) {
            candidates.push_back(window);
        }
    }
    m_maybeShown.clear();
    if (candidates.empty()) {
        return;
    }
    std::vector<xcb_window_t> shown = m_x->inSight(candidates);
    learnFactsOf(shown);
    for (const xcb_window_t window : shown) {
        m_core.takeShown(m_facts[window]);
    }
}

// Why the fallback: iconifying is the window manager's to do. ICCCM's WM_CHANGE_STATE is the
// request meant for it, but some window managers ignore it for some windows, and a few of those
// act on a request to add _NET_WM_STATE_HIDDEN instead, although EWMH leaves that state to the
// window manager. So that one is asked only for the windows still not iconic a moment later;
// where it is ignored too, nothing is lost. The check runs from a timer: waiting for the window
// manager on the main thread would freeze the app.
void X11Workspace::hide(const RunningApplication& application) {
    m_core.hidden(application.key);
    for (const WindowFacts& target : m_core.windowsToHide(application.key, clientFacts())) {
        const auto window = static_cast<xcb_window_t>(target.id.toUInt());
        if (cameBackAgain(window)) {
            m_x->requestOtherDesktop(window);
        }
        m_x->requestIconic(window);
        if (std::find(m_iconifyRequested.cbegin(), m_iconifyRequested.cend(), window) ==
            m_iconifyRequested.cend()) {
            m_iconifyRequested.push_back(window);
        }
    }
    scheduleFlush();
    if (!m_iconifyRequested.empty() && !m_iconifyCheck->isActive()) {
        m_iconifyCheck->start();
    }
    scheduleQueuedEvents();
}

// Why: a window that maps itself again each time it is iconified would be fought a thousand
// times a second, and be on screen most of that time. Put on a desktop not shown as well, its
// next map leaves it out of sight, and the fight ends. Only such a window: a desktop of its own
// is a surprise for an ordinary one.
bool X11Workspace::cameBackAgain(xcb_window_t window) {
    if (m_returns.size() >= maxRefusalsLogged && !m_returns.contains(window)) {
        m_returns.clear();
    }
    const qint64 now = m_clock.elapsed();
    Returns& returns = m_returns[window];
    if (returns.count == 0 || now - returns.since > returnWindowMs) {
        returns = {now, 0};
    }
    return ++returns.count == fightingReturns;
}

// Windows asked both ways and still shown were refused: said once per window, since the guard
// keeps asking while such a window stays in front.
void X11Workspace::checkIconified() {
    for (const xcb_window_t window : m_x->notIconic(std::exchange(m_hiddenRequested, {}))) {
        if (!m_refusalLogged.contains(window)) {
            if (m_refusalLogged.size() >= maxRefusalsLogged) {
                m_refusalLogged.clear();
            }
            m_refusalLogged.insert(window);
            qWarning("The window manager did not hide window 0x%x of a blocked application",
                     window);
        }
    }
    for (const xcb_window_t window : m_x->notIconic(std::exchange(m_iconifyRequested, {}))) {
        m_x->requestHidden(window);
        m_hiddenRequested.push_back(window);
    }
    xcb_flush(m_x->c);
    if (!m_hiddenRequested.empty()) {
        m_iconifyCheck->start();
    }
    scheduleQueuedEvents();
}

void X11Workspace::setActivationHandler(std::function<void(const RunningApplication&)> handler) {
    m_core.setActivationHandler(std::move(handler));
}

QList<RunningApplication> X11Workspace::installedApplications() {
    return m_core.installedApplications();
}

QString X11Workspace::limitation() const {
    if (m_x->broken()) {
        return QStringLiteral(
            "Quorel lost its connection to the X server, so it can't hide blocked apps.");
    }
    if (!m_waylandSession) {
        return {};
    }
    return QStringLiteral(
        "This is a Wayland session: Quorel can hide only apps that run through XWayland for now.");
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

// Requests of several hides in a row go out together, once this turn of the event loop is over.
void X11Workspace::scheduleFlush() {
    if (m_flushScheduled) {
        return;
    }
    m_flushScheduled = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_flushScheduled = false;
            xcb_flush(m_x->c);
        },
        Qt::QueuedConnection);
}

// Takes in what the queued events say, without acting on it: the front changed, which clients
// may have come into sight, whose identity is stale. Safe to call from anywhere.
void X11Workspace::readEvents() {
    const xcb_ewmh_connection_t& ewmh = m_x->ewmh;
    while (XcbReply<xcb_generic_event_t> event{xcb_poll_for_event(m_x->c)}) {
        switch (event->response_type & 0x7f) {
            case XCB_PROPERTY_NOTIFY: {
                const auto* notify = reinterpret_cast<xcb_property_notify_event_t*>(event.get());
                const xcb_atom_t atom = notify->atom;
                if (notify->window == m_x->root) {
                    m_frontChanged |= atom == ewmh._NET_ACTIVE_WINDOW;
                    m_clientsStale |= atom == ewmh._NET_CLIENT_LIST;
                    if (atom == ewmh._NET_CURRENT_DESKTOP) {
                        m_maybeShown.unite(m_clientSet);
                    }
                    break;
                }
                const bool identity =
                    atom == XCB_ATOM_WM_CLASS || atom == ewmh._NET_WM_PID ||
                    atom == ewmh._NET_WM_WINDOW_TYPE || atom == XCB_ATOM_WM_HINTS ||
                    atom == ewmh.WM_PROTOCOLS || atom == XCB_ATOM_WM_TRANSIENT_FOR ||
                    atom == m_x->wmClientLeader || atom == XCB_ATOM_WM_CLIENT_MACHINE;
                if (identity) {
                    // Other windows may be named through this one (as their owner).
                    m_facts.clear();
                    m_frontChanged |= notify->window == m_watchedWindow;
                }
                if (identity || atom == m_x->wmState || atom == ewmh._NET_WM_STATE ||
                    atom == ewmh._NET_WM_DESKTOP) {
                    m_maybeShown.insert(notify->window);
                }
                break;
            }
            case XCB_MAP_NOTIFY: {
                // The client's own map, or its frame's, told through the root.
                const auto* notify = reinterpret_cast<xcb_map_notify_event_t*>(event.get());
                m_maybeShown.insert(m_clientOfFrame.value(notify->window, notify->window));
                break;
            }
            case XCB_REPARENT_NOTIFY: {
                const auto* notify = reinterpret_cast<xcb_reparent_notify_event_t*>(event.get());
                rememberFrame(notify->parent, notify->window);
                break;
            }
            case XCB_DESTROY_NOTIFY: {
                const auto* notify = reinterpret_cast<xcb_destroy_notify_event_t*>(event.get());
                m_facts.remove(notify->window);  // its id is free for reuse
                m_clientOfFrame.remove(notify->window);
                m_maybeShown.remove(notify->window);
                m_returns.remove(notify->window);
                if (notify->window == m_watchedWindow) {
                    m_watchedWindow = XCB_WINDOW_NONE;
                    m_frontChanged = true;
                }
                break;
            }
            default:
                break;  // errors of unchecked requests: windows that went away meanwhile
        }
    }
}

void X11Workspace::handleEvents() {
    m_drainScheduled = false;
    for (;;) {
        // Several activations in a row are answered with one refresh, for the last of them.
        readEvents();
        if (m_x->broken()) {
            // The server is gone; the fd would stay readable for ever. Without a display there is
            // no session left to reconnect to.
            qWarning("The connection to the X server closed; blocking apps is off");
            m_notifier->setEnabled(false);
            m_core.forgetFront();
            m_watchedWindow = XCB_WINDOW_NONE;
            return;
        }
        if (!std::exchange(m_frontChanged, false)) {
            break;
        }
        refresh();  // its replies may queue more events: go round again
    }
    if (!m_maybeShown.isEmpty() || m_clientsStale) {
        checkShown();
        scheduleQueuedEvents();  // events that came with its replies
    }
    m_core.deliverActivations();
}

// Always resolved again, even for the same id: X reuses the ids of closed windows, and openbox
// leaves a closed window as the active one until another takes focus.
void X11Workspace::refresh() {
    const xcb_window_t active = m_x->activeWindow().value_or(XCB_WINDOW_NONE);
    // Back in front since it was asked to hide: brought back on purpose, not refused, so the
    // check must not hide it again; the engine asks anew if it still should be hidden.
    if (active != m_watchedWindow) {
        std::erase(m_iconifyRequested, active);
        std::erase(m_hiddenRequested, active);
    }
    watch(active);
    if (active == XCB_WINDOW_NONE) {
        m_core.takeFront(std::nullopt);
        return;
    }
    m_core.takeFront(m_x->factsOf(active, true), [this] { return clientFacts(); });
}

// Listened to as every client is, and left so: the previous one is most often a client still.
void X11Workspace::watch(xcb_window_t window) {
    // Selected again even when it is the same id, which may belong to a new window by now.
    if (window != XCB_WINDOW_NONE) {
        m_x->selectEvents(window, clientEvents);
    }
    m_watchedWindow = window;
}

void X11Workspace::setChannelRestoredHandler(std::function<void()> handler) {
    m_core.setRestoredHandler(std::move(handler));
}

void X11Workspace::setShownHandler(std::function<void(const RunningApplication&)> handler) {
    m_core.setShownHandler(std::move(handler));
}

}  // namespace Quorel
