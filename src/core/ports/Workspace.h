// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace Quorel {

// One running application, as the desktop groups its windows.
struct RunningApplication {
    QString name;                // display name; empty when it has none
    QString identity;            // desktop file id, else the window class; "" when unknown
    QString key;                 // the adapter's handle for hide(); opaque to the engine
    bool isRegular = false;      // has an ordinary window a user switches to
    bool isThisProgram = false;  // Quorel itself, told by process id
    QString windowClass;         // WM_CLASS class or Wayland app id, as the window gives it
    QString executable;          // the program's path (/proc/PID/exe); "" when unreadable
    QStringList otherNames;      // every other name it is known by: its desktop entry's in other
                                 // locales and under the user's override, its class, its program
    qint64 pid = 0;              // its process; 0 when unknown or not on this machine
    bool isWebBrowser = false;   // its desktop entry files it under web browsers

    friend bool operator==(const RunningApplication&, const RunningApplication&) = default;
};

// What the engine asks of the desktop about running applications.
class Workspace {
public:
    virtual ~Workspace() = default;

    // The display name of the application in front; nullopt when nothing is in front or it has
    // no name. Called once a second: must answer without blocking on slow peers.
    virtual std::optional<QString> frontmostApplicationName() = 0;

    // The application in front; nullopt when nothing is. Called every 0.3 s: no blocking.
    virtual std::optional<RunningApplication> frontmostApplication() = 0;

    // The running applications in the desktop's order (the client list), each once.
    virtual QList<RunningApplication> runningApplications() = 0;

    // Asks the desktop to hide every window of the application; never closes or kills it. An
    // application gone meanwhile is no error.
    virtual void hide(const RunningApplication& application) = 0;

    // handler runs on the main thread each time another application comes to the front;
    // repeats of the same window and "nothing in front" are not reported.
    virtual void setActivationHandler(std::function<void(const RunningApplication&)> handler) = 0;

    // handler runs on the main thread when a window of an application becomes viewable (mapped,
    // shown again, moved into sight), whether or not it comes to the front.
    virtual void setShownHandler(std::function<void(const RunningApplication&)> handler) = 0;

    // handler runs on the main thread when the channel to the desktop is back after a loss
    // (limitation() said so meanwhile): whatever came up in between went unseen.
    virtual void setChannelRestoredHandler(std::function<void()> handler) = 0;

    // The applications installed for this user (desktop entries shown in menus), without this
    // program's own: name, desktop id as identity, program as executable, and whether the
    // entry files it under web browsers. Their keys are empty: none of them is running.
    virtual QList<RunningApplication> installedApplications() = 0;

    // What this desktop channel cannot see, in a calm sentence for the user; empty when it
    // sees everything (an X11 channel in a Wayland session sees only XWayland windows, and a
    // lost channel sees nothing). Cheap: asked every second.
    virtual QString limitation() const = 0;
};

}  // namespace Quorel
