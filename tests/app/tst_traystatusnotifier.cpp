// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The tray as StatusNotifierItem trays see it, on a private session bus (run under
// dbus-run-session): the test plays the tray's watcher and host, appearing after Quorel, going
// away and coming back, and reads the item and its menu as a panel would.
#include "DBusTrayTypes.h"
#include "Fakes.h"
#include "QuorelApp.h"
#include "TrayController.h"
#include "TrayPresentation.h"

#include <QtQml/qqmlextensionplugin.h>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QMutex>
#include <QQuickView>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTest>
#include <QThread>

Q_IMPORT_QML_PLUGIN(QuorelPlugin)

using namespace Quorel;

namespace {

// The panel's watcher, on a thread of its own so that Quorel may ask it while the test waits.
class FakeWatcher : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ items)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)

public:
    explicit FakeWatcher(bool host) : m_host(host) {}

    bool hostRegistered() const { return m_host; }
    int protocolVersion() const { return 0; }
    QStringList items() const {
        QMutexLocker lock(&m_mutex);
        return m_items;
    }

public slots:
    void RegisterStatusNotifierItem(const QString& service) {
        QMutexLocker lock(&m_mutex);
        m_items.append(service);
    }
    void RegisterStatusNotifierHost(const QString&) {}

private:
    const bool m_host;
    mutable QMutex m_mutex;
    QStringList m_items;
};

// Counts a D-Bus signal of the item and keeps the last one.
class SignalCounter : public QObject {
    Q_OBJECT

public slots:
    void seen(const QDBusMessage& message) {
        ++count;
        last = message;
    }

public:
    int count = 0;
    QDBusMessage last;
};

QQuickView* visibleControlWindow() {
    for (QWindow* window : QGuiApplication::topLevelWindows()) {
        if (auto* view = qobject_cast<QQuickView*>(window); view && view->isVisible()) {
            return view;
        }
    }
    return nullptr;
}

QWindow* visibleMainWindow() {
    for (QWindow* window : QGuiApplication::topLevelWindows()) {
        if (window->isVisible() && !qobject_cast<QQuickView*>(window) &&
            window->title() == QLatin1String("Quorel")) {
            return window;
        }
    }
    return nullptr;
}

}  // namespace

class TestTrayStatusNotifier : public QObject {
    Q_OBJECT

    QThread m_watcherThread;
    std::unique_ptr<FakeWatcher> m_watcher;
    int m_round = 0;

    QDBusConnection watcherBus() const {
        return QDBusConnection(QStringLiteral("watcher%1").arg(m_round));
    }

    // The panel starts: its watcher takes the well-known name.
    bool startWatcher(bool host = true) {
        ++m_round;
        QDBusConnection bus = QDBusConnection::connectToBus(
            QDBusConnection::SessionBus, QStringLiteral("watcher%1").arg(m_round));
        m_watcher = std::make_unique<FakeWatcher>(host);
        m_watcher->moveToThread(&m_watcherThread);
        return bus.registerObject(
                   statusNotifierWatcherPath, m_watcher.get(),
                   QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties) &&
               bus.registerService(statusNotifierWatcherService);
    }

    // The panel quits.
    void stopWatcher() {
        QDBusConnection::disconnectFromBus(QStringLiteral("watcher%1").arg(m_round));
        m_watcher.reset();
    }

    // Asks the item as the host does, while Quorel's loop keeps running.
    static QDBusMessage ask(const QString& service, const QString& path, const QString& interface,
                            const QString& method, const QVariantList& arguments) {
        QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, method);
        call.setArguments(arguments);
        QDBusConnection reader =
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("reader"));
        QDBusPendingCallWatcher pending(reader.asyncCall(call, 5000));
        if (!pending.isFinished()) {
            QSignalSpy finished(&pending, &QDBusPendingCallWatcher::finished);
            finished.wait(6000);
        }
        return pending.reply();
    }

    static QVariant property(const QString& service, const QString& name) {
        const QDBusMessage reply =
            ask(service, statusNotifierItemPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                QStringLiteral("Get"), {statusNotifierItemInterface, name});
        return reply.arguments().value(0).value<QDBusVariant>().variant();
    }

    static DBusMenuLayout menu(const QString& service) {
        const QDBusMessage reply = ask(service, dbusMenuPath, dbusMenuInterface,
                                       QStringLiteral("GetLayout"), {0, -1, QStringList()});
        return qdbus_cast<DBusMenuLayout>(reply.arguments().value(1));
    }

    static void click(const QString& service, int id) {
        ask(service, dbusMenuPath, dbusMenuInterface, QStringLiteral("Event"),
            {id, QStringLiteral("clicked"), QVariant::fromValue(QDBusVariant(QString())), 0u});
    }

    // Clicks as trays that batch their events do; the ids the item did not know.
    static QList<int> clickInGroup(const QString& service, const QList<int>& ids) {
        DBusMenuEventList events;
        for (const int id : ids) {
            events.append({id, QStringLiteral("clicked"), QDBusVariant(0), 0});
        }
        const QDBusMessage reply = ask(service, dbusMenuPath, dbusMenuInterface,
                                       QStringLiteral("EventGroup"), {QVariant::fromValue(events)});
        return qdbus_cast<QList<int>>(reply.arguments().value(0));
    }

    static void listen(const QString& service, const QString& path, const QString& interface,
                       const QString& signal, SignalCounter* counter) {
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("reader"))
            .connect(service, path, interface, signal, counter, SLOT(seen(QDBusMessage)));
    }

private slots:
    void initTestCase() {
        QVERIFY2(QDBusConnection::sessionBus().isConnected(), "run under dbus-run-session");
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
        registerDBusTrayTypes();
        m_watcherThread.start();
    }

    // QtDBus skips, with this warning, a method or signal whose types it does not know.
    void init() { QTest::failOnWarning(QRegularExpression(QStringLiteral("Unregistered"))); }
    void cleanup() { stopWatcher(); }

    void cleanupTestCase() {
        m_watcherThread.quit();
        m_watcherThread.wait();
    }

    // A panel that starts after Quorel finds its item, with the live countdown, the icon and
    // the same menu as the tray's, each entry doing what it says.
    void aTrayStartedLaterShowsTheItemWithItsMenuAndCountdown() {
        FakeDesktop desktop;
        QuorelApp app(desktop.platform());
        QVERIFY(app.start());
        auto* tray = app.findChild<TrayController*>();
        QVERIFY(tray != nullptr && !tray->isAvailable());
        QSignalSpy availability(tray, &TrayController::availabilityChanged);

        QVERIFY(startWatcher());

        QTRY_COMPARE(m_watcher->items().size(), 1);
        const QString item = m_watcher->items().constFirst();
        QVERIFY2(item.startsWith(QLatin1String("org.kde.StatusNotifierItem-")), qPrintable(item));
        QTRY_VERIFY(tray->isAvailable());
        QVERIFY(!availability.isEmpty());

        QCOMPARE(property(item, QStringLiteral("Title")).toString(), QStringLiteral("Quorel"));
        QCOMPARE(property(item, QStringLiteral("Status")).toString(), QStringLiteral("Active"));
        const auto pixmaps = qdbus_cast<TrayPixmaps>(property(item, QStringLiteral("IconPixmap")));
        QVERIFY(!pixmaps.isEmpty());
        for (const TrayPixmap& pixmap : pixmaps) {
            QVERIFY(pixmap.width > 0);
            QCOMPARE(pixmap.argb.size(), qsizetype(pixmap.width) * pixmap.height * 4);
        }
        QCOMPARE(qdbus_cast<TrayToolTip>(property(item, QStringLiteral("ToolTip"))).title,
                 QStringLiteral("Quorel"));

        FocusManager& manager = *FocusManager::shared();
        const auto expectMenu = [&] {
            const DBusMenuLayout layout = menu(item);
            const QList<TrayMenuItem> entries =
                trayMenu(manager.isRunning(), manager.isBreak(), manager.strictMode(),
                         manager.selectedPreset());
            if (layout.children.size() != entries.size()) {
                return false;
            }
            for (qsizetype i = 0; i < entries.size(); ++i) {
                const QVariantMap& p = layout.children[i].properties;
                const bool separator =
                    p.value(QStringLiteral("type")) == QStringLiteral("separator");
                if (separator != entries[i].label.isEmpty() ||
                    (!separator &&
                     (p.value(QStringLiteral("label")).toString() != entries[i].label ||
                      p.value(QStringLiteral("enabled")).toBool() != entries[i].enabled))) {
                    return false;
                }
            }
            return true;
        };
        QVERIFY(expectMenu());
        QCOMPARE(menu(item).children.value(1).properties.value(QStringLiteral("label")).toString(),
                 QStringLiteral("Start Focus"));
        const QString introspection =
            ask(item, dbusMenuPath, QStringLiteral("org.freedesktop.DBus.Introspectable"),
                QStringLiteral("Introspect"), {})
                .arguments()
                .value(0)
                .toString();
        for (const char* member :
             {"<method name=\"EventGroup\"", "<method name=\"GetLayout\"",
              "<method name=\"AboutToShowGroup\"", "<signal name=\"ItemsPropertiesUpdated\"",
              "<property name=\"IconThemePath\""}) {
            QVERIFY2(introspection.contains(QLatin1String(member)), member);
        }

        // "Start Focus" from the menu, in a group with an entry that is not there: the countdown
        // runs and shows in the tooltip, second by second.
        SignalCounter toolTips;
        listen(item, statusNotifierItemPath, statusNotifierItemInterface,
               QStringLiteral("NewToolTip"), &toolTips);
        manager.setStrictMode(false);
        QCOMPARE(clickInGroup(item, {2, 99}), QList<int>{99});
        QTRY_VERIFY(manager.isRunning());
        const QString started =
            qdbus_cast<TrayToolTip>(property(item, QStringLiteral("ToolTip"))).title;
        QCOMPARE(started, manager.formattedRemaining());
        manager.tick();
        QCOMPARE(qdbus_cast<TrayToolTip>(property(item, QStringLiteral("ToolTip"))).title,
                 manager.formattedRemaining());
        QVERIFY(manager.formattedRemaining() != started);
        QTRY_VERIFY(toolTips.count >= 2);
        QVERIFY(expectMenu());

        // Strict mode locks Reset and Quit: the host hears which entries changed, and a
        // disabled entry does nothing, whatever a host sends.
        SignalCounter updates;
        listen(item, dbusMenuPath, dbusMenuInterface, QStringLiteral("ItemsPropertiesUpdated"),
               &updates);
        manager.setStrictMode(true);
        QVERIFY(expectMenu());
        QTRY_COMPARE(updates.count, 1);
        const auto updated =
            qdbus_cast<DBusMenuItemPropertiesList>(updates.last.arguments().value(0));
        const auto quit = std::find_if(updated.cbegin(), updated.cend(), [](const auto& entry) {
            return entry.properties.value(QStringLiteral("label")) == QStringLiteral("Quit");
        });
        QVERIFY(quit != updated.cend());
        QCOMPARE(quit->properties.value(QStringLiteral("enabled")).toBool(), false);
        click(item, 3);
        QCOMPARE(clickInGroup(item, {quit->id}), QList<int>());
        QVERIFY(manager.isRunning());

        // A click on the icon opens the control window.
        ask(item, statusNotifierItemPath, statusNotifierItemInterface, QStringLiteral("Activate"),
            {10, 10});
        QTRY_VERIFY(visibleControlWindow() != nullptr);
    }

    // A panel that restarts gets the item again; meanwhile an XEmbed tray could show Quorel, and
    // while a watcher with a host is there, Qt's own icon is not made (it would be a second item).
    void aWatcherThatGoesAndComesBackGetsTheItemAgain() {
        QVERIFY(startWatcher());
        FakeDesktop desktop;
        QuorelApp app(desktop.platform());
        QVERIFY(app.start());
        auto* tray = app.findChild<TrayController*>();
        QTRY_VERIFY(tray->isAvailable());
        QCOMPARE(m_watcher->items().size(), 1);
        QCOMPARE(app.findChild<QSystemTrayIcon*>(), nullptr);

        stopWatcher();
        QTRY_VERIFY(!tray->isAvailable());
        auto* icon = app.findChild<QSystemTrayIcon*>();
        QVERIFY(icon != nullptr && icon->isVisible());

        QVERIFY(startWatcher());
        QTRY_COMPARE(m_watcher->items().size(), 1);
        QTRY_VERIFY(tray->isAvailable());
        QVERIFY(!icon->isVisible());
    }

    // A watcher with no host shows nothing: the tray does not count as there.
    void aWatcherWithoutAHostIsNoTray() {
        QVERIFY(startWatcher(false));
        FakeDesktop desktop;
        QuorelApp app(desktop.platform());
        QVERIFY(app.start());
        QTRY_COMPARE(m_watcher->items().size(), 1);
        QTest::qWait(100);
        QVERIFY(!app.findChild<TrayController*>()->isAvailable());
    }

    // Started at login with a tray up, Quorel stays in the tray: no window opens.
    void loginStartWaitsInTheTray() {
        QVERIFY(startWatcher());
        FakeDesktop desktop;
        QuorelApp app(desktop.platform());
        app.loginTrayWait = std::chrono::milliseconds(300);
        QVERIFY(app.start(QuorelApp::Launch::AtLogin));
        QTRY_VERIFY(app.findChild<TrayController*>()->isAvailable());
        QTest::qWait(600);
        QCOMPARE(visibleMainWindow(), nullptr);
        QVERIFY(!app.hasViews());
    }
};

QTEST_MAIN(TestTrayStatusNotifier)
#include "tst_traystatusnotifier.moc"
