// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Idle time on GNOME, from Mutter's IdleMonitor on the session bus: a watch fires once the user
// has been idle for the threshold, and a one-shot "user active" watch, set then, fires at the
// next input. Nothing is asked once a second.

#include "presence/IdleMonitor.h"

#include <QDBusConnection>
#include <QObject>

#include <chrono>
#include <memory>
#include <optional>

namespace Quorel {

class MutterIdleMonitor final : public QObject, public IdleMonitor {
    Q_OBJECT

public:
    // nullptr when Mutter's monitor is not on bus.
    static std::unique_ptr<MutterIdleMonitor> create(const QDBusConnection& bus);
    ~MutterIdleMonitor() override;

    // The first ask with a threshold sets a watch for it; false until it fires, and again from
    // the next input on. False while Mutter is not on the bus.
    bool isIdleFor(std::chrono::milliseconds threshold) override;

private slots:
    void watchFired(uint id);

private:
    explicit MutterIdleMonitor(const QDBusConnection& bus);
    void arm(std::chrono::milliseconds threshold);
    void becameIdle();
    // Asks Mutter for a watch; done gets its id. Dropped when the monitor has been re-armed.
    void addWatch(const QString& method, const QList<QVariant>& arguments,
                  std::function<void(uint)> done);
    void removeWatch(std::optional<uint>& id);
    QDBusMessage call(const QString& method, const QList<QVariant>& arguments = {}) const;

    QDBusConnection m_bus;
    std::optional<std::chrono::milliseconds> m_armed;
    std::optional<uint> m_idleWatch;
    std::optional<uint> m_activeWatch;
    bool m_idle = false;
    quint64 m_generation = 0;
};

}  // namespace Quorel
