// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The applications of an X11 desktop, from the window manager (EWMH and ICCCM).
//
// Why the hacks: X11 has windows, not applications. The window manager publishes the active
// window (_NET_ACTIVE_WINDOW on the root) and the managed ones (_NET_CLIENT_LIST); which
// application owns a window is pieced together from WM_CLASS, _NET_WM_PID and the desktop
// entries (see DesktopEntries.h). Dialogs and helper windows often carry no WM_CLASS, so the
// owner is found through WM_TRANSIENT_FOR or the client leader. _NET_WM_PID is only a process id
// on this machine when WM_CLIENT_MACHINE says so. Windows come and go between two requests: a
// failed request is an ordinary answer here.
//
// The engine asks for the application in front several times a second, so the answer is kept
// in a cache that the activation events (PropertyNotify of _NET_ACTIVE_WINDOW, and of WM_CLASS
// on the active window) refresh on the main thread. Asking then costs no round trip and cannot
// block on the X server.
//
// A window can also come into sight without the front: mapped, un-iconified, or on a desktop
// switched to. Every client is listened to for its maps and state changes, and the root for
// its frames' maps; those the user can see then are told to the shown handler, one batch per
// turn of the event loop. The facts of the clients are kept until one of them changes its
// identity, so that hiding two hundred applications in a row reads them once.

#include "ports/Workspace.h"
#include "workspace/WorkspaceCore.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QSet>

#include <cstdint>
#include <memory>
#include <vector>

class QSocketNotifier;
class QTimer;

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
    std::optional<RunningApplication> frontmostApplication() override;

    // One batch of requests over the client list, then one wait for all the replies.
    QList<RunningApplication> runningApplications() override;

    // Iconifies the application's normal windows and dialogs; checks a moment later, without
    // waiting, that the window manager did, and else asks once more another way.
    void hide(const RunningApplication& application) override;

    // The handler may call back into this adapter.
    void setActivationHandler(std::function<void(const RunningApplication&)> handler) override;
    void setShownHandler(std::function<void(const RunningApplication&)> handler) override;
    void setChannelRestoredHandler(std::function<void()> handler) override;

    QList<RunningApplication> installedApplications() override;
    QString limitation() const override;

    // The same answer, asked of the X server now (two round trips or more); the cache is not
    // touched.
    std::optional<QString> queryFrontmostApplicationName();

private:
    struct Connection;

    X11Workspace(std::unique_ptr<Connection> connection, DesktopEntries& entries,
                 bool waylandSession);

    void handleEvents();
    void readEvents();
    void scheduleQueuedEvents();
    void scheduleFlush();
    void refresh();
    void watch(std::uint32_t window);
    void listClients();
    void rememberFrame(std::uint32_t frame, std::uint32_t client);
    QList<WindowFacts> clientFacts();
    void learnFactsOf(const std::vector<std::uint32_t>& windows);
    void checkShown();
    void checkIconified();
    bool cameBackAgain(std::uint32_t window);

    struct Returns {
        qint64 since = 0;  // ms on m_clock
        int count = 0;
    };
    static constexpr qint64 returnWindowMs = 1000;
    static constexpr int fightingReturns = 20;  // hidden this often within a second

    static constexpr qsizetype maxRefusalsLogged = 256;

    std::unique_ptr<Connection> m_x;
    WorkspaceCore m_core;
    const bool m_waylandSession;
    QSocketNotifier* m_notifier = nullptr;
    QTimer* m_iconifyCheck = nullptr;
    std::vector<std::uint32_t> m_iconifyRequested;  // asked once, not yet seen iconic
    std::vector<std::uint32_t> m_hiddenRequested;   // asked the other way too
    QSet<std::uint32_t> m_refusalLogged;
    std::uint32_t m_watchedWindow = 0;     // the active window, whose WM_CLASS changes we hear
    std::vector<std::uint32_t> m_clients;  // _NET_CLIENT_LIST as last read
    QSet<std::uint32_t> m_clientSet;
    bool m_clientsStale = true;
    QHash<std::uint32_t, WindowFacts> m_facts;            // of clients, until an identity changes
    QHash<std::uint32_t, std::uint32_t> m_clientOfFrame;  // frames the window manager made
    QSet<std::uint32_t> m_maybeShown;         // clients mapped or changed since the last look
    QHash<std::uint32_t, Returns> m_returns;  // how often each window was hidden lately
    QElapsedTimer m_clock;
    bool m_frontChanged = false;
    bool m_drainScheduled = false;
    bool m_flushScheduled = false;
};

}  // namespace Quorel
