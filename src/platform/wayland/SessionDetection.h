// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Which desktop we run on, from the variables the session sets for its applications. Each
// Wayland desktop offers its own channel for the applications in front, so the composition
// needs to know the desktop, not just that the session is Wayland.

#include <QProcessEnvironment>
#include <QString>

namespace Quorel {

enum class DesktopSession {
    X11,
    KWin,
    GnomeShell,
    Sway,
    OtherWayland,  // a Wayland session no adapter of ours speaks to
};

struct SessionVariables {
    QString sessionType;     // XDG_SESSION_TYPE
    QString currentDesktop;  // XDG_CURRENT_DESKTOP, a colon-separated list
    QString waylandDisplay;  // WAYLAND_DISPLAY
    QString swaySocket;      // SWAYSOCK

    static SessionVariables from(const QProcessEnvironment& env);
};

DesktopSession detectSession(const SessionVariables& variables);

// For the log: "X11", "KDE Plasma (KWin)", ...
QString sessionName(DesktopSession session);

}  // namespace Quorel
