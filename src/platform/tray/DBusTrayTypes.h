// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The shapes of the StatusNotifierItem and com.canonical.dbusmenu interfaces, read by the item
// and by the tests that stand in for the tray.

#include <QByteArray>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QVariantMap>

namespace Quorel {

inline const QString statusNotifierWatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
inline const QString statusNotifierWatcherPath = QStringLiteral("/StatusNotifierWatcher");
inline const QString statusNotifierItemInterface = QStringLiteral("org.kde.StatusNotifierItem");
inline const QString statusNotifierItemPath = QStringLiteral("/StatusNotifierItem");
inline const QString dbusMenuInterface = QStringLiteral("com.canonical.dbusmenu");
inline const QString dbusMenuPath = QStringLiteral("/MenuBar");

// Asks the watcher whether a host shows items (IsStatusNotifierHostRegistered), without starting
// a watcher that is not running.
QDBusMessage hostRegisteredQuery();

// One icon picture, (iiay): ARGB32 pixels, each in network byte order.
struct TrayPixmap {
    int width = 0;
    int height = 0;
    QByteArray argb;

    bool operator==(const TrayPixmap&) const = default;
};
using TrayPixmaps = QList<TrayPixmap>;

// (sa(iiay)ss): icon name, icon, title, text.
struct TrayToolTip {
    QString iconName;
    TrayPixmaps pixmaps;
    QString title;
    QString text;
};

// A menu node, (ia{sv}av): id, properties, children (each a variant holding a node).
struct DBusMenuLayout {
    int id = 0;
    QVariantMap properties;
    QList<DBusMenuLayout> children;
};

// (ia{sv}): one item's properties.
struct DBusMenuItemProperties {
    int id = 0;
    QVariantMap properties;
};
using DBusMenuItemPropertiesList = QList<DBusMenuItemProperties>;

// (ia{sv}) in ItemsPropertiesUpdated's second argument's shape, (ias): removed properties.
struct DBusMenuItemKeys {
    int id = 0;
    QStringList keys;
};
using DBusMenuItemKeysList = QList<DBusMenuItemKeys>;

// (isvu): one event of EventGroup.
struct DBusMenuEvent {
    int id = 0;
    QString eventId;
    QDBusVariant data;
    uint timestamp = 0;
};
using DBusMenuEventList = QList<DBusMenuEvent>;

QDBusArgument& operator<<(QDBusArgument& out, const TrayPixmap& pixmap);
const QDBusArgument& operator>>(const QDBusArgument& in, TrayPixmap& pixmap);
QDBusArgument& operator<<(QDBusArgument& out, const TrayToolTip& toolTip);
const QDBusArgument& operator>>(const QDBusArgument& in, TrayToolTip& toolTip);
QDBusArgument& operator<<(QDBusArgument& out, const DBusMenuLayout& layout);
const QDBusArgument& operator>>(const QDBusArgument& in, DBusMenuLayout& layout);
QDBusArgument& operator<<(QDBusArgument& out, const DBusMenuItemProperties& item);
const QDBusArgument& operator>>(const QDBusArgument& in, DBusMenuItemProperties& item);
QDBusArgument& operator<<(QDBusArgument& out, const DBusMenuItemKeys& item);
const QDBusArgument& operator>>(const QDBusArgument& in, DBusMenuItemKeys& item);
QDBusArgument& operator<<(QDBusArgument& out, const DBusMenuEvent& event);
const QDBusArgument& operator>>(const QDBusArgument& in, DBusMenuEvent& event);

// Registers the types above with QtDBus; safe to call more than once.
void registerDBusTrayTypes();

}  // namespace Quorel

Q_DECLARE_METATYPE(Quorel::TrayPixmap)
Q_DECLARE_METATYPE(Quorel::TrayToolTip)
Q_DECLARE_METATYPE(Quorel::DBusMenuLayout)
Q_DECLARE_METATYPE(Quorel::DBusMenuItemProperties)
Q_DECLARE_METATYPE(Quorel::DBusMenuItemKeys)
Q_DECLARE_METATYPE(Quorel::DBusMenuEvent)
