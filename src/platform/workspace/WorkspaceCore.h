// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// What every desktop adapter shares. An adapter only turns its protocol (EWMH properties, sway's
// tree, a KWin script's or a GNOME Shell extension's reports) into plain window facts; this core
// turns facts into applications, keys, "this program", the window list to hide and the
// activations the engine hears of. So a rule about applications is written, and mended, once.
//
// An application is the windows of one process that share a class (or Wayland app id), or,
// without a process id, the windows of one class; the windows of a process that give no class
// are one more application of that process, named after its program. The class is part of the key
// because sandboxed clients report the process id of their own namespace, so two sandboxed apps may
// both say pid 2.

#include "ports/Workspace.h"

#include <QHash>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace Quorel {

class DesktopEntries;

enum class WindowType {
    Normal,
    Dialog,
    Auxiliary,     // utility, toolbar, splash, menu: part of an application, not a window to pick
    DesktopShell,  // the desktop and its panels: nobody's application
};

// One window, as an adapter reads it off its desktop.
struct WindowFacts {
    QString id;           // the adapter's handle of the window
    qint64 pid = 0;       // 0 when unknown or not on this machine
    QString windowClass;  // WM_CLASS class or Wayland app id
    QString instance;     // WM_CLASS instance; "" when the window has none
    QString desktopId;    // the desktop's own match to a desktop entry; "" when it has none
    WindowType type = WindowType::Normal;
    bool skipTaskbar = false;
    bool xwayland = false;  // an X11 window that a Wayland compositor shows

    friend bool operator==(const WindowFacts&, const WindowFacts&) = default;
};

class WorkspaceCore {
public:
    // entries must outlive this. ownPid is this program's process, ownId its Wayland app id.
    explicit WorkspaceCore(DesktopEntries& entries, qint64 ownPid = 0,
                           QString ownId = QStringLiteral("quorel"));

    // The key of the window's application; "" when there is nothing to go on.
    static QString keyOf(const WindowFacts& window);

    // A window the engine may hide with its application: anything but the desktop and its panels.
    static bool isHideable(const WindowFacts& window);

    // One rule on every desktop: by process when the window gives one, else by app id.
    bool isThisProgram(const WindowFacts& window) const;

    // The application of one window; nullopt for the desktop shell or a window without a key.
    std::optional<RunningApplication> applicationOf(const WindowFacts& window);

    // The applications of the windows, in their order, each once; regular when any of its
    // windows is.
    QList<RunningApplication> applicationsOf(const QList<WindowFacts>& windows);

    // The windows of the application with the key that hiding it takes; never this program's,
    // which the start-of-focus sweep may name: the shield, a transient of our main window for
    // many window managers, would go down with it and not come back.
    QList<WindowFacts> windowsToHide(const QString& key, const QList<WindowFacts>& windows) const;

    // The facts last seen of a window of the application with the key; nullptr when unknown.
    const WindowFacts* lastSeen(const QString& key) const;

    // Names of the applications installed for this user, as menus show them; not this program.
    QList<RunningApplication> installedApplications();

    // The application in front, as the adapter's events have told it.
    const std::optional<RunningApplication>& frontmost() const { return m_frontmost; }

    // The window now in front; nullopt when nothing is (the overview, an empty workspace). A
    // front application that has no regular window of its own (a tool palette) is looked up
    // among the others. An application other than the last one in front is queued as an activation.
    // others, asked only then, lists the other windows.
    void takeFront(const std::optional<WindowFacts>& window,
                   const std::function<QList<WindowFacts>()>& others = {});

    // A window came into sight, in front or not: queued for the shown handler, each application
    // once until delivered. Nothing for the desktop shell or a window without a key.
    void takeShown(const WindowFacts& window);

    // The application went out of sight: brought back, it is news even if nothing came between.
    void hidden(const QString& key);

    // The channel is gone: nothing is known to be in front.
    void forgetFront();

    void setActivationHandler(std::function<void(const RunningApplication&)> handler);
    void setShownHandler(std::function<void(const RunningApplication&)> handler) {
        m_shownHandler = std::move(handler);
    }
    void setRestoredHandler(std::function<void()> handler) {
        m_restoredHandler = std::move(handler);
    }

    // The channel is back after a loss: the handler sweeps what came up meanwhile.
    void channelRestored();

    // Tells the handler of every application that came to the front since the last call, in
    // order, each once: a batch of events that brings a blocked window up and another one after
    // it must not leave the first on screen. Then the shown handler, of those shown that were not
    // just reported in front. Called last by the adapter, with its cache up to date: the
    // handlers may call back into it.
    void deliverActivations();

private:
    DesktopEntries& m_entries;
    const qint64 m_ownPid;
    const QString m_ownId;
    QHash<QString, WindowFacts> m_seen;
    std::optional<RunningApplication> m_frontmost;
    QString m_frontKey;  // of the application last reported; "" once it was hidden
    QList<RunningApplication> m_activations;
    QList<RunningApplication> m_shown;
    std::function<void(const RunningApplication&)> m_activationHandler;
    std::function<void(const RunningApplication&)> m_shownHandler;
    std::function<void()> m_restoredHandler;
};

}  // namespace Quorel
