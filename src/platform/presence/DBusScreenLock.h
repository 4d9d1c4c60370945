// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Whether the session is locked, as the desktop says over D-Bus: logind's LockedHint for this
// session on the system bus, and the screen savers of the session bus (org.freedesktop.ScreenSaver
// on KDE and others, org.gnome.ScreenSaver on GNOME). Signal-driven: nothing is asked on the
// heartbeat. A service that is missing or leaves, and a bus that goes away, say "not locked".

#include <QDBusConnection>
#include <QObject>

#include <memory>
#include <vector>

namespace Quorel {

class DBusScreenLock : public QObject {
    Q_OBJECT

public:
    DBusScreenLock(const QDBusConnection& session, const QDBusConnection& system,
                   QObject* parent = nullptr);
    ~DBusScreenLock() override;

    // Any of them says locked now.
    bool isLocked() const;

signals:
    void lockedChanged();

private:
    class Source;
    class ScreenSaver;
    class LoginSession;

    std::vector<std::unique_ptr<Source>> m_sources;
};

}  // namespace Quorel
