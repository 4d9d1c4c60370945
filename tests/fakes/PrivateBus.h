// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// A D-Bus daemon of a test's own, and scripted objects to serve on it, for adapters tested
// against a real bus whose services the test plays.

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QProcess>
#include <QStringList>

#include <functional>

namespace Quorel {

// A bus daemon of the test's own, so the test can script its services and take it away.
class PrivateBus {
public:
    PrivateBus() {
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--session"), QStringLiteral("--nofork"),
                        QStringLiteral("--print-address")});
        if (m_daemon.waitForReadyRead(10000)) {
            m_address = QString::fromUtf8(m_daemon.readLine().trimmed());
        }
    }
    ~PrivateBus() {
        for (const QString& name : std::as_const(m_names)) {
            QDBusConnection::disconnectFromBus(name);
        }
        stop();
    }

    QDBusConnection connect(const QString& name) {
        m_names.append(name);
        return QDBusConnection::connectToBus(m_address, name);
    }
    void stop() {
        m_daemon.kill();
        m_daemon.waitForFinished(5000);
    }

private:
    QProcess m_daemon;
    QString m_address;
    QStringList m_names;
};

// Answers every call made to its path with what answer makes of it.
class ScriptedObject : public QDBusVirtualObject {
public:
    explicit ScriptedObject(std::function<QList<QVariant>(const QDBusMessage&)> answer)
        : m_answer(std::move(answer)) {}
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        connection.send(message.createReply(m_answer(message)));
        return true;
    }

private:
    std::function<QList<QVariant>(const QDBusMessage&)> m_answer;
};

}  // namespace Quorel
