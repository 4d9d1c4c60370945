// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "DBusScreenLock.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QVariantMap>

namespace Quorel {

// One service that can say "locked"; it follows its owner on the bus and starts from false.
class DBusScreenLock::Source : public QObject {
    Q_OBJECT

public:
    Source(const QDBusConnection& bus, const QString& service, DBusScreenLock& lock)
        : m_bus(bus), m_service(service), m_lock(lock) {
        auto* watcher =
            new QDBusServiceWatcher(service, m_bus, QDBusServiceWatcher::WatchForOwnerChange, this);
        connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
                [this](const QString&, const QString&, const QString& owner) {
                    setActive(false);
                    ++m_generation;
                    if (!owner.isEmpty()) {
                        start();
                    }
                });
    }

    // The bus may have gone away since it last spoke.
    bool isActive() const { return m_active && m_bus.isConnected(); }

    // Asks the service for its state, and subscribes to its changes, once it has an owner.
    virtual void start() = 0;

protected:
    void setActive(bool active) {
        if (active != m_active) {
            m_active = active;
            emit m_lock.lockedChanged();
        }
    }

    // Runs done with the reply unless the service's owner changed meanwhile.
    template <typename Done>
    void call(QDBusMessage message, Done done) {
        // Only a service that runs: asking must not start a screen saver.
        message.setAutoStartService(false);
        auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this,
                [this, done, generation = m_generation](QDBusPendingCallWatcher* w) {
                    w->deleteLater();
                    if (generation == m_generation && !w->isError()) {
                        done(w->reply());
                    }
                });
    }

    // The reply's single argument, unwrapped from a variant; invalid when the shape is wrong.
    static QVariant onlyArgument(const QDBusMessage& reply) {
        const QList<QVariant> arguments = reply.arguments();
        if (arguments.size() != 1) {
            return {};
        }
        QVariant value = arguments.first();
        if (value.canConvert<QDBusVariant>() && value.userType() == qMetaTypeId<QDBusVariant>()) {
            value = value.value<QDBusVariant>().variant();
        }
        return value;
    }

    QDBusConnection m_bus;
    QString m_service;
    quint64 m_generation = 0;

private:
    DBusScreenLock& m_lock;
    bool m_active = false;
};

// org.freedesktop.ScreenSaver and org.gnome.ScreenSaver: GetActive and ActiveChanged(bool).
class DBusScreenLock::ScreenSaver final : public Source {
    Q_OBJECT

public:
    ScreenSaver(const QDBusConnection& bus, const QString& service, const QString& path,
                DBusScreenLock& lock)
        : Source(bus, service, lock), m_path(path) {
        // Given the service, Qt delivers only what its owner sends, whoever owns it later.
        m_bus.connect(service, path, service, QStringLiteral("ActiveChanged"), this,
                      SLOT(activeChanged(bool)));
        start();
    }

    void start() override {
        call(QDBusMessage::createMethodCall(m_service, m_path, m_service,
                                            QStringLiteral("GetActive")),
             [this](const QDBusMessage& reply) {
                 const QVariant value = onlyArgument(reply);
                 setActive(value.userType() == QMetaType::Bool && value.toBool());
             });
    }

private slots:
    void activeChanged(bool active) { setActive(active); }

private:
    QString m_path;
};

// logind's session of this process: LockedHint, told through PropertiesChanged.
class DBusScreenLock::LoginSession final : public Source {
    Q_OBJECT

public:
    LoginSession(const QDBusConnection& bus, DBusScreenLock& lock)
        : Source(bus, QStringLiteral("org.freedesktop.login1"), lock) {
        start();
    }

    void start() override {
        QDBusMessage find = QDBusMessage::createMethodCall(
            m_service, QStringLiteral("/org/freedesktop/login1"),
            QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("GetSession"));
        // The caller's session, or the user's graphical one for a program started outside it.
        find << QStringLiteral("auto");
        call(find, [this](const QDBusMessage& reply) {
            const QVariant path = onlyArgument(reply);
            if (path.userType() != qMetaTypeId<QDBusObjectPath>()) {
                return;
            }
            follow(path.value<QDBusObjectPath>().path());
        });
    }

private slots:
    void propertiesChanged(const QString& interface, const QVariantMap& changed,
                           const QStringList& invalidated) {
        if (interface != sessionInterface()) {
            return;
        }
        const auto hint = changed.constFind(QStringLiteral("LockedHint"));
        if (hint != changed.constEnd()) {
            setActive(hint->userType() == QMetaType::Bool && hint->toBool());
        } else if (invalidated.contains(QStringLiteral("LockedHint"))) {
            readHint();
        }
    }

private:
    static QString sessionInterface() { return QStringLiteral("org.freedesktop.login1.Session"); }

    void follow(const QString& path) {
        if (!m_path.isEmpty()) {
            m_bus.disconnect(m_service, m_path, QStringLiteral("org.freedesktop.DBus.Properties"),
                             QStringLiteral("PropertiesChanged"), this,
                             SLOT(propertiesChanged(QString, QVariantMap, QStringList)));
        }
        m_path = path;
        m_bus.connect(m_service, m_path, QStringLiteral("org.freedesktop.DBus.Properties"),
                      QStringLiteral("PropertiesChanged"), this,
                      SLOT(propertiesChanged(QString, QVariantMap, QStringList)));
        readHint();
    }

    void readHint() {
        QDBusMessage get = QDBusMessage::createMethodCall(
            m_service, m_path, QStringLiteral("org.freedesktop.DBus.Properties"),
            QStringLiteral("Get"));
        get << sessionInterface() << QStringLiteral("LockedHint");
        call(get, [this](const QDBusMessage& reply) {
            const QVariant value = onlyArgument(reply);
            setActive(value.userType() == QMetaType::Bool && value.toBool());
        });
    }

    QString m_path;
};

DBusScreenLock::DBusScreenLock(const QDBusConnection& session, const QDBusConnection& system,
                               QObject* parent)
    : QObject(parent) {
    if (system.isConnected()) {
        m_sources.push_back(std::make_unique<LoginSession>(system, *this));
    }
    if (session.isConnected()) {
        m_sources.push_back(
            std::make_unique<ScreenSaver>(session, QStringLiteral("org.freedesktop.ScreenSaver"),
                                          QStringLiteral("/org/freedesktop/ScreenSaver"), *this));
        m_sources.push_back(
            std::make_unique<ScreenSaver>(session, QStringLiteral("org.gnome.ScreenSaver"),
                                          QStringLiteral("/org/gnome/ScreenSaver"), *this));
    }
}

DBusScreenLock::~DBusScreenLock() = default;

bool DBusScreenLock::isLocked() const {
    for (const std::unique_ptr<Source>& source : m_sources) {
        if (source->isActive()) {
            return true;
        }
    }
    return false;
}

}  // namespace Quorel

#include "DBusScreenLock.moc"
