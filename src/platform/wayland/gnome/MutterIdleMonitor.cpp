// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "MutterIdleMonitor.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>

namespace Quorel {

namespace {
const QString service = QStringLiteral("org.gnome.Mutter.IdleMonitor");
const QString path = QStringLiteral("/org/gnome/Mutter/IdleMonitor/Core");
const QString interface = QStringLiteral("org.gnome.Mutter.IdleMonitor");
}  // namespace

MutterIdleMonitor::MutterIdleMonitor(const QDBusConnection& bus) : m_bus(bus) {
    // Given the service, Qt delivers only what its owner sends.
    m_bus.connect(service, path, interface, QStringLiteral("WatchFired"), this,
                  SLOT(watchFired(uint)));
    auto* watcher =
        new QDBusServiceWatcher(service, m_bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    // A shell that restarts has forgotten our watches.
    connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString&) {
                m_idleWatch.reset();
                m_activeWatch.reset();
                m_idle = false;
                m_armed.reset();
                ++m_generation;
            });
}

MutterIdleMonitor::~MutterIdleMonitor() {
    removeWatch(m_idleWatch);
    removeWatch(m_activeWatch);
}

std::unique_ptr<MutterIdleMonitor> MutterIdleMonitor::create(const QDBusConnection& bus) {
    if (!bus.isConnected()) {
        return nullptr;
    }
    // Asked of the bus, not of the shell, which may be busy at our start.
    if (!bus.interface()->isServiceRegistered(service).value()) {
        return nullptr;
    }
    return std::unique_ptr<MutterIdleMonitor>(new MutterIdleMonitor(bus));
}

bool MutterIdleMonitor::isIdleFor(std::chrono::milliseconds threshold) {
    if (!m_bus.isConnected()) {
        return false;
    }
    if (m_armed != threshold) {
        arm(threshold);
    }
    return m_idle;
}

void MutterIdleMonitor::arm(std::chrono::milliseconds threshold) {
    removeWatch(m_idleWatch);
    removeWatch(m_activeWatch);
    m_idle = false;
    m_armed = threshold;
    ++m_generation;
    const auto interval = static_cast<qulonglong>(std::max<qint64>(threshold.count(), 1));
    addWatch(QStringLiteral("AddIdleWatch"), {QVariant::fromValue(interval)},
             [this, interval](uint id) {
                 m_idleWatch = id;
                 // A watch fires when the idle time reaches it; one already past is asked.
                 auto* pending = new QDBusPendingCallWatcher(
                     m_bus.asyncCall(call(QStringLiteral("GetIdletime"))), this);
                 connect(pending, &QDBusPendingCallWatcher::finished, this,
                         [this, interval, generation = m_generation](QDBusPendingCallWatcher* w) {
                             w->deleteLater();
                             const QDBusMessage reply = w->reply();
                             if (generation == m_generation && !m_idle &&
                                 reply.type() == QDBusMessage::ReplyMessage &&
                                 reply.signature() == u"t" &&
                                 reply.arguments().first().toULongLong() >= interval) {
                                 becameIdle();
                             }
                         });
             });
}

void MutterIdleMonitor::watchFired(uint id) {
    if (m_idleWatch == id && !m_idle) {
        becameIdle();
    } else if (m_activeWatch == id) {
        m_activeWatch.reset();  // Mutter drops a user-active watch once it has fired
        m_idle = false;
    }
}

void MutterIdleMonitor::becameIdle() {
    m_idle = true;
    addWatch(QStringLiteral("AddUserActiveWatch"), {}, [this](uint id) { m_activeWatch = id; });
}

void MutterIdleMonitor::addWatch(const QString& method, const QList<QVariant>& arguments,
                                 std::function<void(uint)> done) {
    auto* pending = new QDBusPendingCallWatcher(m_bus.asyncCall(call(method, arguments)), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this,
            [this, done = std::move(done), generation = m_generation](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                const QDBusMessage reply = w->reply();
                if (reply.type() != QDBusMessage::ReplyMessage || reply.signature() != u"u") {
                    return;  // no watch: stays "not idle", as when Mutter says nothing
                }
                const uint id = reply.arguments().first().toUInt();
                if (generation != m_generation) {
                    std::optional<uint> stale = id;
                    removeWatch(stale);
                    return;
                }
                done(id);
            });
}

void MutterIdleMonitor::removeWatch(std::optional<uint>& id) {
    if (id && m_bus.isConnected()) {
        m_bus.send(call(QStringLiteral("RemoveWatch"), {QVariant::fromValue(*id)}));
    }
    id.reset();
}

QDBusMessage MutterIdleMonitor::call(const QString& method,
                                     const QList<QVariant>& arguments) const {
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(arguments);
    message.setAutoStartService(false);
    return message;
}

}  // namespace Quorel
