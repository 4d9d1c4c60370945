// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "PrivateBus.h"
#include "wayland/gnome/MutterIdleMonitor.h"

#include <QTest>

using namespace Quorel;
using namespace std::chrono_literals;

namespace {
const QString service = QStringLiteral("org.gnome.Mutter.IdleMonitor");
const QString path = QStringLiteral("/org/gnome/Mutter/IdleMonitor/Core");
}  // namespace

// Mutter's IdleMonitor played by the test on a bus of its own, and, where a headless GNOME Shell
// runs (in-gnome.sh), the real one.
class TestMutterIdleMonitor : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_bus = std::make_unique<PrivateBus>();
        m_service = m_bus->connect(QStringLiteral("mutter"));
        QVERIFY2(m_service.isConnected(), "no private bus");
        m_idleMs = 0;
        m_calls.clear();
        m_nextId = 10;
        m_object = std::make_unique<ScriptedObject>([this](const QDBusMessage& m) {
            m_calls.append(
                m.member() + QLatin1Char(' ') +
                (m.arguments().isEmpty() ? QString() : m.arguments().first().toString()));
            if (m.member() == u"GetIdletime") {
                return QList<QVariant>{QVariant::fromValue(m_idleMs)};
            }
            if (m.member() == u"RemoveWatch") {
                return QList<QVariant>{};
            }
            return QList<QVariant>{QVariant::fromValue(++m_nextId)};
        });
        QVERIFY(m_service.registerVirtualObject(path, m_object.get()));
        QVERIFY(m_service.registerService(service));
    }

    void cleanup() {
        m_monitor.reset();
        m_bus.reset();
    }

    void idleFromTheWatchUntilTheNextInput() {
        start();
        QVERIFY(!m_monitor->isIdleFor(5min));
        QTRY_VERIFY(m_calls.contains(QStringLiteral("AddIdleWatch 300000")));
        const uint idleWatch = m_nextId;

        fire(idleWatch + 100);  // someone else's watch
        QTest::qWait(200);
        QVERIFY(!m_monitor->isIdleFor(5min));

        fire(idleWatch);
        QTRY_VERIFY(m_monitor->isIdleFor(5min));
        QTRY_VERIFY(m_calls.contains(QStringLiteral("AddUserActiveWatch ")));
        fire(m_nextId);
        QTRY_VERIFY(!m_monitor->isIdleFor(5min));

        fire(idleWatch);  // the idle watch stays; the next time away is told too
        QTRY_VERIFY(m_monitor->isIdleFor(5min));
    }

    void aNewThresholdReplacesTheWatch() {
        start();
        m_monitor->isIdleFor(5min);
        QTRY_VERIFY(m_calls.contains(QStringLiteral("AddIdleWatch 300000")));
        const uint first = m_nextId;
        fire(first);
        QTRY_VERIFY(m_monitor->isIdleFor(5min));

        QVERIFY(!m_monitor->isIdleFor(10min));
        QTRY_VERIFY(m_calls.contains(QStringLiteral("AddIdleWatch 600000")));
        QVERIFY(m_calls.contains(QStringLiteral("RemoveWatch %1").arg(first)));
        fire(first);
        QTest::qWait(200);
        QVERIFY(!m_monitor->isIdleFor(10min));
    }

    void alreadyIdleWhenArmed() {
        m_idleMs = 400000;
        start();
        m_monitor->isIdleFor(5min);
        QTRY_VERIFY(m_monitor->isIdleFor(5min));
    }

    void onlyMutterIsBelieved() {
        start();
        m_monitor->isIdleFor(5min);
        QTRY_VERIFY(m_calls.contains(QStringLiteral("AddIdleWatch 300000")));
        QDBusConnection impostor = m_bus->connect(QStringLiteral("impostor"));
        fire(m_nextId, impostor);
        QTest::qWait(300);
        QVERIFY(!m_monitor->isIdleFor(5min));
    }

    void aShellThatLeavesAndReturnsIsWatchedAgain() {
        start();
        m_monitor->isIdleFor(5min);
        QTRY_VERIFY(m_calls.contains(QStringLiteral("AddIdleWatch 300000")));
        fire(m_nextId);
        QTRY_VERIFY(m_monitor->isIdleFor(5min));

        m_service.unregisterService(service);
        QTRY_VERIFY(!m_monitor->isIdleFor(5min));
        m_calls.clear();
        m_service.registerService(service);
        // Re-armed at the next ask, as the heartbeat's.
        QTRY_VERIFY(!m_monitor->isIdleFor(5min) &&
                    m_calls.contains(QStringLiteral("AddIdleWatch 300000")));
    }

    void aBusThatGoesAwayIsNotIdle() {
        start();
        m_monitor->isIdleFor(5min);
        QTRY_VERIFY(m_calls.contains(QStringLiteral("AddIdleWatch 300000")));
        fire(m_nextId);
        QTRY_VERIFY(m_monitor->isIdleFor(5min));
        m_bus->stop();
        QTRY_VERIFY(!m_monitor->isIdleFor(5min));
    }

    void noMonitorWithoutMutter() {
        m_service.unregisterService(service);
        QVERIFY(!MutterIdleMonitor::create(m_bus->connect(QStringLiteral("quorel"))));
    }

    // Run by in-gnome.sh only: the real shell, whose headless seat has no input.
    void realShellTellsIdle() {
        if (qEnvironmentVariableIsEmpty("QUOREL_GNOME_SHELL")) {
            QSKIP("no headless GNOME Shell here (run through in-gnome.sh)");
        }
        auto monitor = MutterIdleMonitor::create(QDBusConnection::sessionBus());
        QVERIFY(monitor);
        QVERIFY(!monitor->isIdleFor(1s));
        QTRY_VERIFY_WITH_TIMEOUT(monitor->isIdleFor(1s), 10000);
        QVERIFY(!monitor->isIdleFor(1h));
    }

private:
    void start() {
        m_monitor = MutterIdleMonitor::create(m_bus->connect(QStringLiteral("quorel")));
        QVERIFY(m_monitor);
    }

    void fire(uint id) { fire(id, m_service); }
    static void fire(uint id, QDBusConnection& from) {
        QDBusMessage signal = QDBusMessage::createSignal(
            path, QStringLiteral("org.gnome.Mutter.IdleMonitor"), QStringLiteral("WatchFired"));
        signal << id;
        QVERIFY(from.send(signal));
    }

    std::unique_ptr<PrivateBus> m_bus;
    QDBusConnection m_service{QStringLiteral("none")};
    std::unique_ptr<ScriptedObject> m_object;
    std::unique_ptr<MutterIdleMonitor> m_monitor;
    QStringList m_calls;
    qulonglong m_idleMs = 0;
    uint m_nextId = 10;
};

QTEST_GUILESS_MAIN(TestMutterIdleMonitor)
#include "tst_mutteridlemonitor.moc"
