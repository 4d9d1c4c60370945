#pragma once

// The application in front, from an X11 window manager (EWMH).
//
// Why the hacks: X11 has windows, not applications. The window manager publishes the active
// window (_NET_ACTIVE_WINDOW on the root); which application owns it is pieced together from
// WM_CLASS, _NET_WM_PID and the desktop entries (see DesktopEntries.h). Dialogs and helper
// windows often carry no WM_CLASS, so the owner is found through WM_TRANSIENT_FOR or the client
// leader. _NET_WM_PID is only a process id on this machine when WM_CLIENT_MACHINE says so.
// Windows come and go between two requests: a failed request is an ordinary answer here.
//
// The engine asks once a second, so the answer is kept in a cache that the activation events
// (PropertyNotify of _NET_ACTIVE_WINDOW, and of WM_CLASS on the active window) refresh on the
// main thread. Asking then costs no round trip and cannot block on the X server.

#include "ports/Workspace.h"

#include <QObject>

#include <cstdint>
#include <memory>

class QSocketNotifier;

namespace Quorel {

class DesktopEntries;

class X11Workspace final : public QObject, public Workspace {
    Q_OBJECT

public:
    // Opens the display (DISPLAY when displayName is empty), starts listening for activations
    // and reads the active window once; nullptr when that fails. entries must outlive this.
    static std::unique_ptr<X11Workspace> create(DesktopEntries& entries,
                                                const QString& displayName = {});
    ~X11Workspace() override;

    // From the cache the activation events keep: no round trip to the X server.
    std::optional<QString> frontmostApplicationName() override;

    // The same answer, asked of the X server now (two round trips or more); the cache is not
    // touched.
    std::optional<QString> queryFrontmostApplicationName();

private:
    struct Connection;
    struct WindowFacts;

    X11Workspace(std::unique_ptr<Connection> connection, DesktopEntries& entries);

    void handleEvents();
    void scheduleQueuedEvents();
    void refresh();
    void watch(std::uint32_t window);
    std::optional<QString> applicationNameOf(std::uint32_t window);

    std::unique_ptr<Connection> m_x;
    DesktopEntries& m_entries;
    QSocketNotifier* m_notifier = nullptr;
    std::uint32_t m_watchedWindow = 0;  // the active window, whose WM_CLASS changes we hear
    std::optional<QString> m_frontmostName;
    bool m_drainScheduled = false;
};

}  // namespace Quorel
