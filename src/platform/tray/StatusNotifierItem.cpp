// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "StatusNotifierItem.h"

#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>

#include <algorithm>

namespace Quorel {

namespace {

// org.kde.StatusNotifierItem, read by the tray's host.
class ItemAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_PROPERTY(QString Category READ category)
    Q_PROPERTY(QString Id READ id)
    Q_PROPERTY(QString Title READ title)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(int WindowId READ windowId)
    Q_PROPERTY(QString IconThemePath READ empty)
    Q_PROPERTY(QString IconName READ empty)
    Q_PROPERTY(Quorel::TrayPixmaps IconPixmap READ iconPixmap)
    Q_PROPERTY(QString OverlayIconName READ empty)
    Q_PROPERTY(Quorel::TrayPixmaps OverlayIconPixmap READ noPixmaps)
    Q_PROPERTY(QString AttentionIconName READ empty)
    Q_PROPERTY(Quorel::TrayPixmaps AttentionIconPixmap READ noPixmaps)
    Q_PROPERTY(QString AttentionMovieName READ empty)
    Q_PROPERTY(Quorel::TrayToolTip ToolTip READ toolTip)
    Q_PROPERTY(bool ItemIsMenu READ itemIsMenu)
    Q_PROPERTY(QDBusObjectPath Menu READ menu)

public:
    explicit ItemAdaptor(StatusNotifierItem* item) : QDBusAbstractAdaptor(item), m_item(item) {
        connect(item, &StatusNotifierItem::iconChanged, this, &ItemAdaptor::NewIcon);
        connect(item, &StatusNotifierItem::titleChanged, this, &ItemAdaptor::NewTitle);
        connect(item, &StatusNotifierItem::toolTipChanged, this, &ItemAdaptor::NewToolTip);
    }

    QString category() const { return QStringLiteral("ApplicationStatus"); }
    QString id() const { return m_item->id(); }
    QString title() const { return m_item->title(); }
    QString status() const { return QStringLiteral("Active"); }
    int windowId() const { return 0; }
    QString empty() const { return {}; }
    TrayPixmaps iconPixmap() const { return m_item->icon(); }
    TrayPixmaps noPixmaps() const { return {}; }
    TrayToolTip toolTip() const { return m_item->toolTip(); }
    // A click opens the control window; the menu is for the secondary button.
    bool itemIsMenu() const { return false; }
    QDBusObjectPath menu() const { return QDBusObjectPath(dbusMenuPath); }

public slots:
    void Activate(int x, int y) { m_item->activate(QPoint(x, y)); }
    void SecondaryActivate(int x, int y) { m_item->activate(QPoint(x, y)); }
    // Hosts show the exported menu themselves; one that asks us has nothing more to show.
    void ContextMenu(int, int) {}
    void Scroll(int, const QString&) {}

signals:
    void NewTitle();
    void NewIcon();
    void NewAttentionIcon();
    void NewOverlayIcon();
    void NewToolTip();
    void NewStatus(const QString& status);

private:
    StatusNotifierItem* m_item;
};

// com.canonical.dbusmenu: the item's menu, one level deep.
class MenuAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.canonical.dbusmenu")
    Q_PROPERTY(uint Version READ version)
    Q_PROPERTY(QString TextDirection READ textDirection)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(QStringList IconThemePath READ iconThemePath)

public:
    MenuAdaptor(QObject* parent, StatusNotifierItem* item)
        : QDBusAbstractAdaptor(parent), m_item(item) {
        connect(item, &StatusNotifierItem::menuChanged, this,
                [this](uint revision) { emit LayoutUpdated(revision, 0); });
    }

    uint version() const { return 3; }
    QString textDirection() const { return QStringLiteral("ltr"); }
    QString status() const { return QStringLiteral("normal"); }
    QStringList iconThemePath() const { return {}; }

public slots:
    uint GetLayout(int parentId, int, const QStringList&, Quorel::DBusMenuLayout& layout) {
        const DBusMenuLayout root = m_item->menuLayout();
        layout = root;
        for (const DBusMenuLayout& child : root.children) {
            if (child.id == parentId) {
                layout = child;
            }
        }
        return m_item->menuRevision();
    }

    Quorel::DBusMenuItemPropertiesList GetGroupProperties(const QList<int>& ids,
                                                          const QStringList&) {
        DBusMenuItemPropertiesList found;
        const DBusMenuLayout root = m_item->menuLayout();
        for (const DBusMenuLayout& child : root.children) {
            if (ids.isEmpty() || ids.contains(child.id)) {
                found.append({child.id, child.properties});
            }
        }
        return found;
    }

    QDBusVariant GetProperty(int id, const QString& name) {
        for (const DBusMenuLayout& child : m_item->menuLayout().children) {
            if (child.id == id) {
                return QDBusVariant(child.properties.value(name));
            }
        }
        return QDBusVariant(QVariant());
    }

    void Event(int id, const QString& eventId, const QDBusVariant&, uint) {
        m_item->menuEvent(id, eventId);
    }

    QList<int> EventGroup(const Quorel::DBusMenuEventList& events) {
        for (const DBusMenuEvent& event : events) {
            m_item->menuEvent(event.id, event.eventId);
        }
        return {};
    }

    bool AboutToShow(int) { return false; }

    QList<int> AboutToShowGroup(const QList<int>&, QList<int>& idErrors) {
        idErrors.clear();
        return {};
    }

signals:
    void ItemsPropertiesUpdated(const Quorel::DBusMenuItemPropertiesList& updated,
                                const Quorel::DBusMenuItemKeysList& removed);
    void LayoutUpdated(uint revision, int parent);
    void ItemActivationRequested(int id, uint timestamp);

private:
    StatusNotifierItem* m_item;
};

}  // namespace

StatusNotifierItem::StatusNotifierItem(const QDBusConnection& bus, QString id, QString serviceName)
    : m_bus(bus), m_id(std::move(id)), m_serviceName(std::move(serviceName)), m_title(m_id) {}

std::unique_ptr<StatusNotifierItem> StatusNotifierItem::create(const QDBusConnection& bus,
                                                               const QString& id) {
    if (!bus.isConnected()) {
        return nullptr;
    }
    registerDBusTrayTypes();
    static int instances = 0;
    const QString name = QStringLiteral("org.kde.StatusNotifierItem-%1-%2")
                             .arg(QCoreApplication::applicationPid())
                             .arg(++instances);
    std::unique_ptr<StatusNotifierItem> item(new StatusNotifierItem(bus, id, name));
    if (!item->exportObjects()) {
        return nullptr;
    }
    item->m_watcher = new QDBusServiceWatcher(statusNotifierWatcherService, item->m_bus,
                                              QDBusServiceWatcher::WatchForOwnerChange, item.get());
    connect(item->m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, item.get(),
            [raw = item.get()](const QString&, const QString&, const QString& owner) {
                if (owner.isEmpty()) {
                    raw->setShown(false);
                } else {
                    raw->registerWithWatcher();
                }
            });
    // A host that starts after its watcher makes the item shown without a new registration.
    for (const char* signal : {"StatusNotifierHostRegistered", "StatusNotifierHostUnregistered"}) {
        item->m_bus.connect(statusNotifierWatcherService, statusNotifierWatcherPath,
                            statusNotifierWatcherService, QLatin1String(signal), item.get(),
                            SLOT(askWhetherHosted()));
    }
    item->registerWithWatcher();
    return item;
}

StatusNotifierItem::~StatusNotifierItem() {
    m_bus.unregisterObject(statusNotifierItemPath);
    m_bus.unregisterObject(dbusMenuPath);
    m_bus.unregisterService(m_serviceName);
}

bool StatusNotifierItem::exportObjects() {
    new ItemAdaptor(this);
    m_menuObject = std::make_unique<QObject>();
    new MenuAdaptor(m_menuObject.get(), this);
    if (!m_bus.registerObject(statusNotifierItemPath, this, QDBusConnection::ExportAdaptors) ||
        !m_bus.registerObject(dbusMenuPath, m_menuObject.get(), QDBusConnection::ExportAdaptors) ||
        !m_bus.registerService(m_serviceName)) {
        m_bus.unregisterObject(statusNotifierItemPath);
        m_bus.unregisterObject(dbusMenuPath);
        return false;
    }
    return true;
}

// Asynchronous throughout: a watcher that hangs must not stop the countdown.
void StatusNotifierItem::registerWithWatcher() {
    QDBusMessage call = QDBusMessage::createMethodCall(
        statusNotifierWatcherService, statusNotifierWatcherPath, statusNotifierWatcherService,
        QStringLiteral("RegisterStatusNotifierItem"));
    call.setArguments({m_serviceName});
    // Only a running tray: one that starts later is met through the name's owner changing.
    call.setAutoStartService(false);
    auto* pending = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* done) {
                done->deleteLater();
                if (done->isError()) {
                    setShown(false);
                } else {
                    askWhetherHosted();
                }
            });
}

void StatusNotifierItem::askWhetherHosted() {
    auto* pending = new QDBusPendingCallWatcher(m_bus.asyncCall(hostRegisteredQuery()), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* done) {
                done->deleteLater();
                const QDBusPendingReply<QDBusVariant> reply = *done;
                // A watcher that cannot say is taken at its word that it registered us.
                setShown(reply.isError() || reply.value().variant().toBool());
            });
}

void StatusNotifierItem::setShown(bool shown) {
    if (shown != m_shown) {
        m_shown = shown;
        emit shownChanged(shown);
    }
}

void StatusNotifierItem::setTitle(const QString& title) {
    if (title != m_title) {
        m_title = title;
        emit titleChanged();
    }
}

void StatusNotifierItem::setToolTip(const QString& title, const QString& text) {
    if (title != m_toolTipTitle || text != m_toolTipText) {
        m_toolTipTitle = title;
        m_toolTipText = text;
        emit toolTipChanged();
    }
}

void StatusNotifierItem::setIcon(const TrayPixmaps& pixmaps) {
    if (pixmaps != m_icon) {
        m_icon = pixmaps;
        emit iconChanged();
    }
}

void StatusNotifierItem::setMenu(const QList<TrayMenuEntry>& entries) {
    if (entries != m_menu) {
        m_menu = entries;
        emit menuChanged(++m_menuRevision);
    }
}

TrayToolTip StatusNotifierItem::toolTip() const {
    return {QString(), {}, m_toolTipTitle, m_toolTipText};
}

DBusMenuLayout StatusNotifierItem::menuLayout() const {
    DBusMenuLayout root;
    root.properties.insert(QStringLiteral("children-display"), QStringLiteral("submenu"));
    for (const TrayMenuEntry& entry : m_menu) {
        DBusMenuLayout node;
        node.id = entry.id;
        if (entry.separator) {
            node.properties.insert(QStringLiteral("type"), QStringLiteral("separator"));
        } else {
            node.properties.insert(QStringLiteral("label"), entry.label);
            node.properties.insert(QStringLiteral("enabled"), entry.enabled);
        }
        node.properties.insert(QStringLiteral("visible"), true);
        root.children.append(node);
    }
    return root;
}

void StatusNotifierItem::activate(const QPoint& at) {
    emit activated(at);
}

void StatusNotifierItem::menuEvent(int id, const QString& eventId) {
    if (eventId != QLatin1String("clicked")) {
        return;
    }
    const auto entry = std::find_if(m_menu.cbegin(), m_menu.cend(),
                                    [id](const TrayMenuEntry& e) { return e.id == id; });
    // Entries disabled since the host last read the menu do nothing.
    if (entry != m_menu.cend() && entry->enabled && !entry->separator) {
        emit menuEntryTriggered(id);
    }
}

}  // namespace Quorel

#include "StatusNotifierItem.moc"
