// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Why this exists: Qt 6.4 decides once per process, when its first tray icon is made, whether
// icons go over D-Bus (StatusNotifierItem) or XEmbed, and it picks D-Bus only if a watcher with a
// host is on the session bus at that moment. At login the panel often starts after Quorel, and
// waybar or GNOME's AppIndicator extension may come later still, so Qt's choice would leave
// those trays without Quorel for the whole run. This item is ours: it registers with whichever
// watcher is there, now or later, and again each time one comes back.

#include "DBusTrayTypes.h"

#include <QDBusConnection>
#include <QObject>
#include <QPoint>
#include <QString>

#include <memory>

class QDBusPendingCallWatcher;
class QDBusServiceWatcher;

namespace Quorel {

// One entry of the item's menu.
struct TrayMenuEntry {
    int id = 0;  // 1 or more; reported back when the entry is chosen
    QString label;
    bool enabled = true;
    bool separator = false;

    bool operator==(const TrayMenuEntry&) const = default;
};

class StatusNotifierItem : public QObject {
    Q_OBJECT

public:
    // An item on bus under its own well-known name, offered to the watcher there now and to
    // every watcher that appears later. nullptr when the bus is not connected or refuses the
    // item's objects.
    static std::unique_ptr<StatusNotifierItem> create(const QDBusConnection& bus,
                                                      const QString& id);
    ~StatusNotifierItem() override;

    // A tray shows the item now: a watcher took it and says a host displays items.
    bool isShown() const { return m_shown; }
    QString serviceName() const { return m_serviceName; }

    void setTitle(const QString& title);
    void setToolTip(const QString& title, const QString& text);
    void setIcon(const TrayPixmaps& pixmaps);
    void setMenu(const QList<TrayMenuEntry>& entries);

    // What the D-Bus side reads.
    QString id() const { return m_id; }
    QString title() const { return m_title; }
    const TrayPixmaps& icon() const { return m_icon; }
    TrayToolTip toolTip() const;
    uint menuRevision() const { return m_menuRevision; }
    DBusMenuLayout menuLayout() const;
    // A host's click: Activate and SecondaryActivate, with where the host says it was.
    void activate(const QPoint& at);
    // A host's report that a menu entry was chosen.
    void menuEvent(int id, const QString& eventId);

signals:
    void shownChanged(bool shown);
    void activated(const QPoint& at);
    void menuEntryTriggered(int id);

    // For the D-Bus side.
    void iconChanged();
    void titleChanged();
    void toolTipChanged();
    // The entries changed in number, order or kind.
    void menuChanged(uint revision);
    // Only labels or enabled states changed: the new properties of each changed entry.
    void menuItemsChanged(const Quorel::DBusMenuItemPropertiesList& updated);

private slots:
    void askWhetherHosted();

private:
    StatusNotifierItem(const QDBusConnection& bus, QString id, QString serviceName);
    bool exportObjects();
    void registerWithWatcher();
    void setShown(bool shown);

    QDBusConnection m_bus;
    QString m_id;
    QString m_serviceName;
    QString m_title;
    QString m_toolTipTitle;
    QString m_toolTipText;
    TrayPixmaps m_icon;
    QList<TrayMenuEntry> m_menu;
    uint m_menuRevision = 1;
    bool m_shown = false;
    QDBusServiceWatcher* m_watcher = nullptr;
    std::unique_ptr<QObject> m_menuObject;
};

}  // namespace Quorel
