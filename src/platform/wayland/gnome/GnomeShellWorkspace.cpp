#include "GnomeShellWorkspace.h"

#include "x11/DesktopEntries.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringBuilder>

#include <algorithm>

namespace Quorel {

namespace {

const QString shellService = QStringLiteral("org.gnome.Shell");
const QString extensionService = QStringLiteral("app.quorel.GnomeShell");
const QString extensionPath = QStringLiteral("/app/quorel/GnomeShell");
const QString extensionInterface = QStringLiteral("app.quorel.GnomeShell");
const QString resourceFolder = QStringLiteral(":/gnome-shell-extension/");
const QStringList extensionFiles{QStringLiteral("metadata.json"), QStringLiteral("extension.js")};

// The shell answers from its compositor thread: a busy frame is tens of ms, a hung shell never.
constexpr int callTimeoutMs = 500;
// A shell holds a few hundred windows at most; a longer list is not a shell's.
constexpr qsizetype maxWindows = 4096;

QString stemOf(QString desktopId) {
    if (desktopId.endsWith(u".desktop")) {
        desktopId.chop(8);
    }
    return desktopId;
}

template <typename T>
T valueOf(const QVariantMap& map, const QString& key, QMetaType::Type type) {
    const QVariant value = map.value(key);
    return value.metaType().id() == type ? value.value<T>() : T{};
}

QDBusMessage extensionCall(const QString& method) {
    return QDBusMessage::createMethodCall(extensionService, extensionPath, extensionInterface,
                                          method);
}

bool hasOwner(const QDBusConnection& bus, const QString& name) {
    QDBusMessage ask = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"));
    ask << name;
    const QDBusMessage reply = bus.call(ask, QDBus::Block, callTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage && reply.arguments().size() == 1 &&
           reply.arguments().constFirst().toBool();
}

// The windows of a Windows() reply; none when it has another shape.
QList<ShellWindow> windowsOf(const QDBusMessage& reply) {
    QList<ShellWindow> windows;
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1 ||
        reply.signature() != u"aa{sv}") {
        return windows;
    }
    const auto argument = reply.arguments().constFirst().value<QDBusArgument>();
    argument.beginArray();
    while (!argument.atEnd() && windows.size() < maxWindows) {
        QVariantMap map;
        argument >> map;
        if (std::optional<ShellWindow> window = shellWindowFromMap(map)) {
            windows.append(std::move(*window));
        }
    }
    argument.endArray();
    return windows;
}

}  // namespace

QString ShellWindow::key() const {
    const QString app = !desktopId.isEmpty() ? desktopId : !appId.isEmpty() ? appId : wmClass;
    if (app.isEmpty()) {
        return {};
    }
    if (pid != 0) {
        return u"pid:" % QString::number(pid) % u':' % app;
    }
    return u"app:" % app;
}

std::optional<ShellWindow> shellWindowFromMap(const QVariantMap& map) {
    ShellWindow window;
    window.id = valueOf<quint64>(map, QStringLiteral("id"), QMetaType::ULongLong);
    if (window.id == 0) {
        return std::nullopt;
    }
    const auto text = [&map](const char16_t* key) {
        return valueOf<QString>(map, QString::fromUtf16(key), QMetaType::QString);
    };
    const auto flag = [&map](const char16_t* key) {
        return valueOf<bool>(map, QString::fromUtf16(key), QMetaType::Bool);
    };
    window.desktopId = text(u"desktopId");
    window.appId = text(u"appId");
    window.wmClass = text(u"wmClass");
    window.wmInstance = text(u"wmInstance");
    window.pid = std::max(valueOf<int>(map, QStringLiteral("pid"), QMetaType::Int), 0);
    window.ordinary = flag(u"ordinary");
    window.desktopShell = flag(u"desktopShell");
    window.skipTaskbar = flag(u"skipTaskbar");
    return window;
}

std::unique_ptr<Workspace> GnomeShellWorkspace::create(DesktopEntries& entries) {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                           u"/gnome-shell/extensions";
    return create(entries, QDBusConnection::sessionBus(), folder);
}

std::unique_ptr<GnomeShellWorkspace> GnomeShellWorkspace::create(DesktopEntries& entries,
                                                                 const QDBusConnection& bus,
                                                                 const QString& extensionsFolder) {
    if (!bus.isConnected() || !hasOwner(bus, shellService)) {
        return nullptr;
    }
    installExtension(extensionsFolder);  // not fatal: it may be installed system-wide
    std::unique_ptr<GnomeShellWorkspace> workspace(new GnomeShellWorkspace(entries, bus));
    // Listening before subscribing; the reply holds the window in front, and every change after
    // it comes as a signal, so that none falls between the two.
    if (hasOwner(bus, extensionService)) {
        const QDBusMessage reply = workspace->m_bus->call(
            extensionCall(QStringLiteral("Subscribe")), QDBus::Block, callTimeoutMs);
        if (reply.type() == QDBusMessage::ReplyMessage && reply.signature() == u"a{sv}") {
            workspace->m_extensionAnswers = true;
            workspace->takeFocus(qdbus_cast<QVariantMap>(reply.arguments().constFirst()));
            if (workspace->m_frontmost) {
                workspace->m_frontKey = workspace->m_frontmost->key;
            }
        }
    }
    return workspace;
}

GnomeShellWorkspace::GnomeShellWorkspace(DesktopEntries& entries, const QDBusConnection& bus)
    : m_entries(entries), m_bus(std::make_unique<QDBusConnection>(bus)) {
    m_watcher = new QDBusServiceWatcher(extensionService, *m_bus,
                                        QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(m_watcher, &QDBusServiceWatcher::serviceRegistered, this,
            &GnomeShellWorkspace::extensionAppeared);
    connect(m_watcher, &QDBusServiceWatcher::serviceUnregistered, this,
            &GnomeShellWorkspace::extensionVanished);
    m_bus->connect(extensionService, extensionPath, extensionInterface,
                   QStringLiteral("FocusChanged"), this, SLOT(onFocusChanged(QVariantMap)));
}

GnomeShellWorkspace::~GnomeShellWorkspace() = default;

QString GnomeShellWorkspace::extensionUuid() {
    return QStringLiteral("quorel@quorel.app");
}

bool GnomeShellWorkspace::installExtension(const QString& extensionsFolder) {
    const QString folder = extensionsFolder + u'/' + extensionUuid();
    if (!QDir().mkpath(folder)) {
        return false;
    }
    bool written = true;
    for (const QString& name : extensionFiles) {
        QFile resource(resourceFolder + name);
        if (!resource.open(QIODevice::ReadOnly)) {
            written = false;
            continue;
        }
        const QByteArray contents = resource.readAll();
        QFile existing(folder + u'/' + name);
        if (existing.open(QIODevice::ReadOnly) && existing.size() == contents.size() &&
            existing.readAll() == contents) {
            continue;  // unchanged: the shell reads the folder's times
        }
        QSaveFile out(folder + u'/' + name);
        written &= out.open(QIODevice::WriteOnly) && out.write(contents) == contents.size() &&
                   out.commit();
    }
    return written;
}

void GnomeShellWorkspace::extensionAppeared() {
    m_extensionAnswers = true;
    subscribe();  // a new extension knows nothing of the old one's subscribers
}

void GnomeShellWorkspace::extensionVanished() {
    m_extensionAnswers = false;
    m_frontmost.reset();
    m_frontKey.clear();
}

void GnomeShellWorkspace::subscribe() {
    auto* call = new QDBusPendingCallWatcher(
        m_bus->asyncCall(extensionCall(QStringLiteral("Subscribe")), callTimeoutMs), this);
    connect(call, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusMessage reply = w->reply();
        if (reply.type() == QDBusMessage::ReplyMessage && reply.signature() == u"a{sv}") {
            onFocusChanged(qdbus_cast<QVariantMap>(reply.arguments().constFirst()));
        }
    });
}

void GnomeShellWorkspace::onFocusChanged(const QVariantMap& window) {
    m_extensionAnswers = true;  // a signal proves it as well as a reply
    takeFocus(window);
    // Told last, with the cache up to date: the handler may call back into this adapter.
    if (m_frontmost && m_frontmost->key != m_frontKey) {
        m_frontKey = m_frontmost->key;
        if (m_activationHandler) {
            const auto handler = m_activationHandler;
            const RunningApplication application = *m_frontmost;
            handler(application);
        }
    }
}

// Nothing in front (the overview, a click on the desktop) clears the cache but is no news.
void GnomeShellWorkspace::takeFocus(const QVariantMap& map) {
    const std::optional<ShellWindow> window = shellWindowFromMap(map);
    m_frontmost.reset();
    if (window && !window->desktopShell) {
        m_frontmost = applicationOf(*window);
    }
}

std::optional<RunningApplication> GnomeShellWorkspace::applicationOf(const ShellWindow& window) {
    QString key = window.key();
    if (key.isEmpty()) {
        return std::nullopt;
    }
    // A Wayland app id is usually the desktop file id: matched as the class, the shell's own
    // match as the instance.
    const QString wmClass = !window.wmClass.isEmpty() ? window.wmClass : window.appId;
    const QString instance =
        !window.desktopId.isEmpty() ? stemOf(window.desktopId) : window.wmInstance;
    const std::optional<ResolvedApplication> resolved =
        m_entries.resolve(wmClass, instance, window.pid);
    const bool hasEntry = resolved && !resolved->desktopId.isEmpty();
    RunningApplication application;
    application.name = resolved ? resolved->name : QString();
    application.identity = hasEntry                      ? resolved->desktopId
                           : !window.desktopId.isEmpty() ? window.desktopId
                                                         : wmClass;
    application.windowClass = wmClass;
    application.executable = resolved ? resolved->executable : QString();
    application.key = std::move(key);
    application.isRegular = window.ordinary && !window.skipTaskbar;
    application.isThisProgram = window.pid != 0 ? window.pid == QCoreApplication::applicationPid()
                                                : stemOf(application.identity) == u"quorel";
    if (application.isThisProgram && !hasEntry) {
        application.name = QStringLiteral("Quorel");
    }
    return application;
}

std::optional<QString> GnomeShellWorkspace::frontmostApplicationName() {
    if (!m_frontmost || m_frontmost->name.isEmpty()) {
        return std::nullopt;
    }
    return m_frontmost->name;
}

std::optional<RunningApplication> GnomeShellWorkspace::frontmostApplication() {
    return m_frontmost;
}

QList<ShellWindow> GnomeShellWorkspace::windows() {
    if (!m_extensionAnswers) {
        return {};
    }
    return windowsOf(
        m_bus->call(extensionCall(QStringLiteral("Windows")), QDBus::Block, callTimeoutMs));
}

QList<RunningApplication> GnomeShellWorkspace::runningApplications() {
    QList<RunningApplication> applications;
    for (const ShellWindow& window : windows()) {
        if (window.desktopShell) {
            continue;
        }
        const QString key = window.key();
        const auto known =
            std::find_if(applications.begin(), applications.end(),
                         [&key](const RunningApplication& a) { return a.key == key; });
        if (known != applications.end()) {
            known->isRegular |= window.ordinary && !window.skipTaskbar;
        } else if (std::optional<RunningApplication> application = applicationOf(window)) {
            applications.append(std::move(*application));
        }
    }
    return applications;
}

// Two calls without waiting: the list, then the ids of the application's windows to minimise.
void GnomeShellWorkspace::hide(const RunningApplication& application) {
    if (application.key.isEmpty() || !m_extensionAnswers) {
        return;
    }
    // Hidden, it is no longer in front: brought back, it is news even if nothing came first.
    if (application.key == m_frontKey) {
        m_frontKey.clear();
    }
    auto* list = new QDBusPendingCallWatcher(
        m_bus->asyncCall(extensionCall(QStringLiteral("Windows")), callTimeoutMs), this);
    connect(list, &QDBusPendingCallWatcher::finished, this,
            [this, key = application.key](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                QList<qulonglong> ids;
                for (const ShellWindow& window : windowsOf(w->reply())) {
                    if (window.ordinary && !window.desktopShell && window.key() == key) {
                        ids.append(window.id);
                    }
                }
                if (ids.isEmpty()) {
                    return;
                }
                QDBusMessage minimize = extensionCall(QStringLiteral("MinimizeWindows"));
                minimize << QVariant::fromValue(ids);
                m_bus->call(minimize, QDBus::NoBlock);
            });
}

void GnomeShellWorkspace::setActivationHandler(
    std::function<void(const RunningApplication&)> handler) {
    m_activationHandler = std::move(handler);
}

QStringList GnomeShellWorkspace::installedApplicationNames() {
    QStringList names;
    for (const DesktopEntry& entry : m_entries.entries()) {
        if (isShownInMenus(entry) && entry.id != u"quorel.desktop" && entry.name != u"Quorel") {
            names << entry.name;
        }
    }
    return names;
}

QString GnomeShellWorkspace::limitation() const {
    if (m_extensionAnswers) {
        return {};
    }
    return QStringLiteral(
        "To see and hide apps, Quorel needs its GNOME Shell extension: turn on Quorel in the "
        "Extensions app (log out and back in once if it is not listed yet).");
}

}  // namespace Quorel
