// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "PrivateBus.h"
#include "presence/DBusScreenLock.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QTest>

#include <functional>
#include <memory>

using namespace Quorel;

namespace {

const QString freedesktopSaver = QStringLiteral("org.freedesktop.ScreenSaver");
const QString login1 = QStringLiteral("org.freedesktop.login1");
const QString sessionPath = QStringLiteral("/org/freedesktop/login1/session/c1");
const QString sessionInterface = QStringLiteral("org.freedesktop.login1.Session");

}  // namespace

// Against a real bus daemon, with the screen savers and logind scripted by the test.
class TestDBusScreenLock : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_bus = std::make_unique<PrivateBus>();
        m_service = m_bus->connect(QStringLiteral("service"));
        QVERIFY2(m_service.isConnected(), "no private bus");
        m_objects.clear();
    }

    void cleanup() {
        m_lock.reset();
        m_bus.reset();
    }

    void screenSaverLockFollowsItsOwnersSignal_data() {
        QTest::addColumn<QString>("service");
        QTest::addColumn<QString>("path");
        QTest::newRow("freedesktop") << freedesktopSaver << "/org/freedesktop/ScreenSaver";
        QTest::newRow("GNOME") << "org.gnome.ScreenSaver"
                               << "/org/gnome/ScreenSaver";
    }

    void screenSaverLockFollowsItsOwnersSignal() {
        QFETCH(QString, service);
        QFETCH(QString, path);
        bool asked = false;
        serve(service, path, [&asked](const QDBusMessage& call) {
            asked = call.member() == u"GetActive";
            return QList<QVariant>{false};
        });
        startLock();
        QTRY_VERIFY(asked);
        QVERIFY(!m_lock->isLocked());

        emitFrom(m_service, path, service, true);
        QTRY_VERIFY(m_lock->isLocked());
        emitFrom(m_service, path, service, false);
        QTRY_VERIFY(!m_lock->isLocked());

        // Anyone may send a signal; only the service's owner is believed.
        QDBusConnection impostor = m_bus->connect(QStringLiteral("impostor"));
        emitFrom(impostor, path, service, true);
        QTest::qWait(300);
        QVERIFY(!m_lock->isLocked());
    }

    void lockedAtStartAndAfterTheServiceReturns() {
        const QString path = QStringLiteral("/org/freedesktop/ScreenSaver");
        serve(freedesktopSaver, path, [](const QDBusMessage&) { return QList<QVariant>{true}; });
        startLock();
        QTRY_VERIFY(m_lock->isLocked());

        m_service.unregisterService(freedesktopSaver);
        QTRY_VERIFY(!m_lock->isLocked());
        m_service.registerService(freedesktopSaver);
        QTRY_VERIFY(m_lock->isLocked());
    }

    void malformedAnswersAreNotLocked() {
        const QString path = QStringLiteral("/org/freedesktop/ScreenSaver");
        serve(freedesktopSaver, path,
              [](const QDBusMessage&) { return QList<QVariant>{QStringLiteral("yes")}; });
        serve(login1, QStringLiteral("/org/freedesktop/login1"),
              [](const QDBusMessage&) { return QList<QVariant>{42}; });
        startLock();
        QDBusMessage wrongSignal =
            QDBusMessage::createSignal(path, freedesktopSaver, QStringLiteral("ActiveChanged"));
        wrongSignal << QStringLiteral("true");
        m_service.send(wrongSignal);
        QTest::qWait(500);
        QVERIFY(!m_lock->isLocked());
    }

    void logindLockedHintFollowsPropertiesChanged() {
        bool hint = true;
        QString askedFor;
        serve(login1, QStringLiteral("/org/freedesktop/login1"),
              [&askedFor](const QDBusMessage& m) {
                  askedFor = m.arguments().value(0).toString();
                  return QList<QVariant>{QVariant::fromValue(QDBusObjectPath(sessionPath))};
              });
        serve(QString(), sessionPath, [&hint](const QDBusMessage& m) {
            const bool asksHint = m.member() == u"Get" &&
                                  m.arguments().value(0).toString() == sessionInterface &&
                                  m.arguments().value(1).toString() == u"LockedHint";
            return QList<QVariant>{QVariant::fromValue(QDBusVariant(asksHint && hint))};
        });
        startLock();
        QTRY_VERIFY(m_lock->isLocked());
        QCOMPARE(askedFor, QStringLiteral("auto"));

        propertiesChanged(sessionInterface, {{QStringLiteral("LockedHint"), false}}, {});
        QTRY_VERIFY(!m_lock->isLocked());
        // Another interface's properties say nothing about the lock.
        propertiesChanged(QStringLiteral("org.example.Other"),
                          {{QStringLiteral("LockedHint"), true}}, {});
        QTest::qWait(300);
        QVERIFY(!m_lock->isLocked());
        // An invalidated hint is read again.
        hint = true;
        propertiesChanged(sessionInterface, {}, {QStringLiteral("LockedHint")});
        QTRY_VERIFY(m_lock->isLocked());
    }

    void busThatGoesAwayIsNotLocked() {
        serve(freedesktopSaver, QStringLiteral("/org/freedesktop/ScreenSaver"),
              [](const QDBusMessage&) { return QList<QVariant>{true}; });
        startLock();
        QTRY_VERIFY(m_lock->isLocked());
        m_bus->stop();
        QTRY_VERIFY(!m_lock->isLocked());
    }

    void noBusIsNotLocked() {
        DBusScreenLock lock(QDBusConnection(QStringLiteral("none")),
                            QDBusConnection(QStringLiteral("none")));
        QVERIFY(!lock.isLocked());
    }

private:
    // The bus stands for both the session and the system bus.
    void startLock() {
        QDBusConnection bus = m_bus->connect(QStringLiteral("quorel"));
        m_lock = std::make_unique<DBusScreenLock>(bus, bus);
    }

    void serve(const QString& service, const QString& path,
               std::function<QList<QVariant>(const QDBusMessage&)> answer) {
        m_objects.push_back(std::make_unique<ScriptedObject>(std::move(answer)));
        QVERIFY(m_service.registerVirtualObject(path, m_objects.back().get()));
        if (!service.isEmpty()) {
            QVERIFY(m_service.registerService(service));
        }
    }

    static void emitFrom(QDBusConnection& from, const QString& path, const QString& interface,
                         bool active) {
        QDBusMessage signal =
            QDBusMessage::createSignal(path, interface, QStringLiteral("ActiveChanged"));
        signal << active;
        QVERIFY(from.send(signal));
    }

    void propertiesChanged(const QString& interface, const QVariantMap& changed,
                           const QStringList& invalidated) {
        QDBusMessage signal = QDBusMessage::createSignal(
            sessionPath, QStringLiteral("org.freedesktop.DBus.Properties"),
            QStringLiteral("PropertiesChanged"));
        signal << interface << changed << invalidated;
        QVERIFY(m_service.send(signal));
    }

    std::unique_ptr<PrivateBus> m_bus;
    QDBusConnection m_service{QStringLiteral("none")};
    std::vector<std::unique_ptr<ScriptedObject>> m_objects;
    std::unique_ptr<DBusScreenLock> m_lock;
};

QTEST_GUILESS_MAIN(TestDBusScreenLock)
#include "tst_dbusscreenlock.moc"
