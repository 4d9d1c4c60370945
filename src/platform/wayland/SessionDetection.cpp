// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "SessionDetection.h"

namespace Quorel {

SessionVariables SessionVariables::from(const QProcessEnvironment& env) {
    return {env.value(QStringLiteral("XDG_SESSION_TYPE")),
            env.value(QStringLiteral("XDG_CURRENT_DESKTOP")),
            env.value(QStringLiteral("WAYLAND_DISPLAY")), env.value(QStringLiteral("SWAYSOCK"))};
}

DesktopSession detectSession(const SessionVariables& variables) {
    const QString type = variables.sessionType.trimmed().toLower();
    // A session that says what it is is believed; one that does not (started by hand, from a
    // display manager that sets nothing) is Wayland when a compositor is named.
    const bool wayland =
        type == u"wayland" || (type != u"x11" && !variables.waylandDisplay.isEmpty());
    if (!wayland) {
        return DesktopSession::X11;
    }
    // sway names its socket only for its own clients, while a desktop name may be inherited
    // from the session a nested sway runs in.
    if (!variables.swaySocket.isEmpty()) {
        return DesktopSession::Sway;
    }
    const QStringList desktops =
        variables.currentDesktop.split(u':', Qt::SkipEmptyParts, Qt::CaseInsensitive);
    for (const QString& desktop : desktops) {
        const QString name = desktop.trimmed();
        if (name.compare(u"KDE", Qt::CaseInsensitive) == 0) {
            return DesktopSession::KWin;
        }
        if (name.compare(u"GNOME", Qt::CaseInsensitive) == 0 ||
            name.startsWith(u"GNOME-", Qt::CaseInsensitive)) {
            return DesktopSession::GnomeShell;
        }
        if (name.compare(u"sway", Qt::CaseInsensitive) == 0) {
            return DesktopSession::Sway;
        }
    }
    return DesktopSession::OtherWayland;
}

QString sessionName(DesktopSession session) {
    switch (session) {
        case DesktopSession::X11:
            return QStringLiteral("X11");
        case DesktopSession::KWin:
            return QStringLiteral("Wayland, KDE Plasma (KWin)");
        case DesktopSession::GnomeShell:
            return QStringLiteral("Wayland, GNOME Shell");
        case DesktopSession::Sway:
            return QStringLiteral("Wayland, sway");
        case DesktopSession::OtherWayland:
            return QStringLiteral("Wayland, unknown desktop");
    }
    return {};
}

}  // namespace Quorel
