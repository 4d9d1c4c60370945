// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "StatusNotifierItem.h"

#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusConnectionInterface>
#include <QDBusContext>
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

// The node with id in the menu, the root being 0; nullptr when there is none.
const DBusMenuLayout* menuNode(const DBusMenuLayout& root, int id) {
    if (id == root.id) {
        return &root;
    }
    const auto child = std::find_if(root.children.cbegin(), root.children.cend(),
                                    [id](const DBusMenuLayout& node) { return node.id == id; });
    return child != root.children.cend() ? &*child : nullptr;
}

// A host that asks for some properties gets only those; an empty list asks for all.
QVariantMap onlyNamed(const QVariantMap& properties, const QStringList& names) {
    if (names.isEmpty()) {
        return properties;
    }
    QVariantMap out;
    for (const QString& name : names) {
        if (const auto found = properties.constFind(name); found != properties.cend()) {
            out.insert(name, *found);
        }
    }
    return out;
}

// com.canonical.dbusmenu: the item's menu, one level deep.
class MenuAdaptor : public QDBusAbstractAdaptor, protected QDBusContext {
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
        connect(item, &StatusNotifierItem::menuItemsChanged, this,
                [this](const DBusMenuItemPropertiesList& updated) {
                    emit ItemsPropertiesUpdated(updated, {});
                });
    }

    uint version() const { return 3; }
    QString textDirection() const { return QStringLiteral("ltr"); }
    QString status() const { return QStringLiteral("normal"); }
    QStringList iconThemePath() const { return {}; }

public slots:
    uint GetLayout(int parentId, int depth, const QStringList& names,
                   Quorel::DBusMenuLayout& layout) {
        const DBusMenuLayout root = m_item->menuLayout();
        if (const DBusMenuLayout* node = known(root, parentId)) {
            layout = *node;
            layout.properties = onlyNamed(layout.properties, names);
            if (depth == 0) {
                layout.children.clear();
            }
            for (DBusMenuLayout& child : layout.children) {
                child.properties = onlyNamed(child.properties, names);
            }
        }
        return m_item->menuRevision();
    }

    Quorel::DBusMenuItemPropertiesList GetGroupProperties(const QList<int>& ids,
                                                          const QStringList& names) {
        DBusMenuItemPropertiesList found;
        const DBusMenuLayout root = m_item->menuLayout();
        if (ids.isEmpty()) {
            for (const DBusMenuLayout& child : root.children) {
                found.append({child.id, onlyNamed(child.properties, names)});
            }
        }
        // Ids that are gone (the menu changed meanwhile) are left out, as hosts expect.
        for (const int id : ids) {
            if (const DBusMenuLayout* node = menuNode(root, id)) {
                found.append({id, onlyNamed(node->properties, names)});
            }
        }
        return found;
    }

    QDBusVariant GetProperty(int id, const QString& name) {
        const DBusMenuLayout root = m_item->menuLayout();
        const DBusMenuLayout* node = known(root, id);
        if (node != nullptr && !node->properties.contains(name)) {
            sendErrorReply(QDBusError::InvalidArgs, QStringLiteral("No property %1").arg(name));
        }
        return QDBusVariant(node != nullptr ? node->properties.value(name) : QVariant());
    }

    void Event(int id, const QString& eventId, const QDBusVariant&, uint) {
        if (known(m_item->menuLayout(), id) != nullptr) {
            m_item->menuEvent(id, eventId);
        }
    }

    QList<int> EventGroup(const Quorel::DBusMenuEventList& events) {
        const DBusMenuLayout root = m_item->menuLayout();
        QList<int> unknown;
        for (const DBusMenuEvent& event : events) {
            if (menuNode(root, event.id) != nullptr) {
                m_item->menuEvent(event.id, event.eventId);
            } else {
                unknown.append(event.id);
            }
        }
        if (!events.isEmpty() && unknown.size() == events.size()) {
            sendErrorReply(QDBusError::InvalidArgs, QStringLiteral("No such menu items"));
        }
        return unknown;
    }

    // The menu is always up to date: nothing to fetch before it opens.
    bool AboutToShow(int id) {
        known(m_item->menuLayout(), id);
        return false;
    }

    QList<int> AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors) {
        const DBusMenuLayout root = m_item->menuLayout();
        idErrors.clear();
        for (const int id : ids) {
            if (menuNode(root, id) == nullptr) {
                idErrors.append(id);
            }
        }
        return {};
    }

signals:
    void ItemsPropertiesUpdated(const Quorel::DBusMenuItemPropertiesList& updated,
                                const Quorel::DBusMenuItemKeysList& removed);
    void LayoutUpdated(uint revision, int parent);
    void ItemActivationRequested(int id, uint timestamp);

private:
    // The node, or nullptr after an error reply to the host that named an id that is not there.
    const DBusMenuLayout* known(const DBusMenuLayout& root, int id) {
        const DBusMenuLayout* node = menuNode(root, id);
        if (node == nullptr) {
            sendErrorReply(QDBusError::InvalidArgs, QStringLiteral("No menu item %1").arg(id));
        }
        return node;
    }

    StatusNotifierItem* m_item;
};

QVariantMap entryProperties(const TrayMenuEntry& entry) {
    QVariantMap properties{{QStringLiteral("visible"), true}};
    if (entry.separator) {
        properties.insert(QStringLiteral("type"), QStringLiteral("separator"));
    } else {
        properties.insert(QStringLiteral("label"), entry.label);
        properties.insert(QStringLiteral("enabled"), entry.enabled);
    }
    return properties;
}

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
    if (entries == m_menu) {
        return;
    }
    const bool sameShape =
        std::equal(entries.cbegin(), entries.cend(), m_menu.cbegin(), m_menu.cend(),
                   [](const TrayMenuEntry& a, const TrayMenuEntry& b) {
                       return a.id == b.id && a.separator == b.separator;
                   });
    if (!sameShape) {
        m_menu = entries;
        emit menuChanged(++m_menuRevision);
        return;
    }
    // Hosts redraw changed entries from ItemsPropertiesUpdated, without reading the layout again.
    DBusMenuItemPropertiesList changed;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (entries[i] != m_menu[i]) {
            changed.append({entries[i].id, entryProperties(entries[i])});
        }
    }
    m_menu = entries;
    emit menuItemsChanged(changed);
}

TrayToolTip StatusNotifierItem::toolTip() const {
    return {QString(), {}, m_toolTipTitle, m_toolTipText};
}

DBusMenuLayout StatusNotifierItem::menuLayout() const {
    DBusMenuLayout root;
    root.properties.insert(QStringLiteral("children-display"), QStringLiteral("submenu"));
    for (const TrayMenuEntry& entry : m_menu) {
        root.children.append({entry.id, entryProperties(entry), {}});
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
