// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "GnomeShellWorkspace.h"

#include "wayland/gnome/GnomeShellInterface.h"

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
#include <utility>

namespace Quorel {

namespace {

const QString shellService = QStringLiteral("org.gnome.Shell");
const QString extensionService = gnomeShellInterface;  // the extension owns that name
const QString extensionPath = gnomeShellPath;
const QString extensionInterface = gnomeShellInterface;
const QString resourceFolder = QStringLiteral(":/gnome-shell-extension/");
const QStringList extensionFiles{QStringLiteral("metadata.json"), QStringLiteral("extension.js"),
                                 gnomeShellInterfaceFile};

// The shell answers from its compositor thread: a busy frame is tens of ms, a hung shell never.
// Calls Quorel waits for are bounded hard; the others may take their time.
constexpr int listTimeoutMs = 50;
constexpr int busTimeoutMs = 50;  // the bus daemon itself, not the shell
constexpr int callTimeoutMs = 500;
constexpr int subscribeTimeoutMs = 5000;
// A shell holds a few hundred windows at most; a longer list is not a shell's.
constexpr qsizetype maxWindows = 4096;

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
    const QDBusMessage reply = bus.call(ask, QDBus::Block, busTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage && reply.arguments().size() == 1 &&
           reply.arguments().constFirst().toBool();
}

// The shell's dialogs are not told apart from normal windows: both are ordinary.
WindowFacts factsOf(const ShellWindow& window) {
    WindowFacts facts;
    facts.id = QString::number(window.id);
    facts.pid = window.pid;
    facts.windowClass = !window.wmClass.isEmpty() ? window.wmClass : window.appId;
    facts.instance = window.wmInstance;
    facts.desktopId = window.desktopId;
    facts.type = window.desktopShell ? WindowType::DesktopShell
                 : window.ordinary   ? WindowType::Normal
                                     : WindowType::Auxiliary;
    facts.skipTaskbar = window.skipTaskbar;
    return facts;
}

// The release of the extension before Quorel's upgrade, which the shell keeps running until the
// next login: it has no Subscribe, answers FocusedWindow and tells every change to the whole bus.
bool isOlderExtension(const QDBusMessage& reply) {
    return reply.type() == QDBusMessage::ErrorMessage &&
           reply.errorName() == u"org.freedesktop.DBus.Error.UnknownMethod";
}

// The windows of a Windows() reply or a WindowsShown signal; none when it has another shape.
QList<WindowFacts> windowsOf(const QDBusMessage& reply) {
    QList<WindowFacts> windows;
    if ((reply.type() != QDBusMessage::ReplyMessage &&
         reply.type() != QDBusMessage::SignalMessage) ||
        reply.arguments().size() != 1 || reply.signature() != u"aa{sv}") {
        return windows;
    }
    const auto argument = reply.arguments().constFirst().value<QDBusArgument>();
    argument.beginArray();
    while (!argument.atEnd() && windows.size() < maxWindows) {
        QVariantMap map;
        argument >> map;
        if (const std::optional<ShellWindow> window = shellWindowFromMap(map)) {
            windows.append(factsOf(*window));
        }
    }
    argument.endArray();
    return windows;
}

}  // namespace

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
    // it comes as a signal, so that none falls between the two. Not waited for: a busy shell
    // must not hold Quorel's start.
    if (hasOwner(bus, extensionService)) {
        workspace->subscribe();
    }
    return workspace;
}

GnomeShellWorkspace::GnomeShellWorkspace(DesktopEntries& entries, const QDBusConnection& bus)
    : m_core(entries), m_bus(std::make_unique<QDBusConnection>(bus)) {
    m_watcher = new QDBusServiceWatcher(extensionService, *m_bus,
                                        QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(m_watcher, &QDBusServiceWatcher::serviceRegistered, this,
            &GnomeShellWorkspace::extensionAppeared);
    connect(m_watcher, &QDBusServiceWatcher::serviceUnregistered, this,
            &GnomeShellWorkspace::extensionVanished);
    m_bus->connect(extensionService, extensionPath, extensionInterface,
                   QStringLiteral("FocusChanged"), this, SLOT(onFocusChanged(QVariantMap)));
    m_bus->connect(extensionService, extensionPath, extensionInterface,
                   QStringLiteral("WindowsShown"), this, SLOT(onWindowsShown(QDBusMessage)));
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
    subscribe();  // a new extension knows nothing of the old one's subscribers
}

// Turned off, or the shell restarted: nothing is seen until it is back.
void GnomeShellWorkspace::extensionVanished() {
    if (m_extensionAnswers) {
        qWarning(
            "Quorel's GNOME Shell extension left the session bus; blocking apps is off "
            "until it is back");
    }
    m_extensionAnswers = false;
    m_windows.clear();
    m_core.forgetFront();
}

void GnomeShellWorkspace::subscribe(const QString& method) {
    m_subscribing = true;
    auto* call = new QDBusPendingCallWatcher(
        m_bus->asyncCall(extensionCall(method), subscribeTimeoutMs), this);
    connect(call, &QDBusPendingCallWatcher::finished, this,
            [this, method](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                const QDBusMessage reply = w->reply();
                if (reply.type() == QDBusMessage::ReplyMessage && reply.signature() == u"a{sv}") {
                    m_subscribing = false;
                    onFocusChanged(qdbus_cast<QVariantMap>(reply.arguments().constFirst()));
                } else if (method == u"Subscribe" && isOlderExtension(reply)) {
                    subscribe(QStringLiteral("FocusedWindow"));
                } else {
                    m_subscribing = false;
                    qWarning("Quorel's GNOME Shell extension did not answer: %s",
                             qUtf8Printable(reply.errorMessage()));
                }
            });
}

void GnomeShellWorkspace::onFocusChanged(const QVariantMap& window) {
    const bool back = !m_extensionAnswers && m_everAnswered;
    m_extensionAnswers = true;  // a signal proves it as well as a reply
    m_everAnswered = true;
    takeFocus(window);
    m_core.deliverActivations();
    if (back) {
        qInfo("Quorel's GNOME Shell extension answers again");
        m_core.channelRestored();
    }
}

void GnomeShellWorkspace::onWindowsShown(const QDBusMessage& message) {
    if (!m_extensionAnswers) {
        return;  // from an extension that has left since: it speaks for nothing now
    }
    for (const WindowFacts& window : windowsOf(message)) {
        m_core.takeShown(window);
    }
    m_core.deliverActivations();
}

// Nothing in front (the overview, a click on the desktop) clears the cache but is no news.
void GnomeShellWorkspace::takeFocus(const QVariantMap& map) {
    const std::optional<ShellWindow> window = shellWindowFromMap(map);
    m_core.takeFront(window ? std::optional<WindowFacts>(factsOf(*window)) : std::nullopt);
}

std::optional<QString> GnomeShellWorkspace::frontmostApplicationName() {
    const std::optional<RunningApplication>& front = m_core.frontmost();
    if (!front || front->name.isEmpty()) {
        return std::nullopt;
    }
    return front->name;
}

std::optional<RunningApplication> GnomeShellWorkspace::frontmostApplication() {
    return m_core.frontmost();
}

QList<WindowFacts> GnomeShellWorkspace::windows() {
    if (!m_extensionAnswers) {
        return {};
    }
    if (std::exchange(m_listFresh, false)) {
        return m_windows;
    }
    // Bounded hard: a shell busy for longer gets the list it gave last time, and is asked again
    // without waiting; once its list arrives the sweep runs again, so a window the old list
    // lacked (none at all, just after start) is not missed.
    const QDBusMessage reply =
        m_bus->call(extensionCall(QStringLiteral("Windows")), QDBus::Block, listTimeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage) {
        m_windows = windowsOf(reply);
    } else if (!m_listAsked) {
        m_listAsked = true;
        auto* call = new QDBusPendingCallWatcher(
            m_bus->asyncCall(extensionCall(QStringLiteral("Windows")), callTimeoutMs), this);
        connect(call, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
            w->deleteLater();
            m_listAsked = false;
            if (w->reply().type() == QDBusMessage::ReplyMessage && m_extensionAnswers) {
                m_windows = windowsOf(w->reply());
                m_listFresh = true;
                m_core.channelRestored();
                m_listFresh = false;
            }
        });
    }
    return m_windows;
}

QList<RunningApplication> GnomeShellWorkspace::runningApplications() {
    return m_core.applicationsOf(windows());
}

// Two calls without waiting: the list, then the ids of the application's windows to minimise.
// The application counts as hidden from the list's reply on: focus changes the shell sent before
// it (a raise within the application still on its way) come first and are no coming back.
void GnomeShellWorkspace::hide(const RunningApplication& application) {
    if (application.key.isEmpty() || !m_extensionAnswers) {
        return;
    }
    auto* list = new QDBusPendingCallWatcher(
        m_bus->asyncCall(extensionCall(QStringLiteral("Windows")), callTimeoutMs), this);
    connect(list, &QDBusPendingCallWatcher::finished, this,
            [this, key = application.key](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                m_core.hidden(key);
                QList<qulonglong> ids;
                for (const WindowFacts& window : m_core.windowsToHide(key, windowsOf(w->reply()))) {
                    ids.append(window.id.toULongLong());
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
    m_core.setActivationHandler(std::move(handler));
}

QList<RunningApplication> GnomeShellWorkspace::installedApplications() {
    return m_core.installedApplications();
}

QString GnomeShellWorkspace::limitation() const {
    if (m_extensionAnswers || m_subscribing) {
        return {};
    }
    return QStringLiteral(
        "To see and hide apps, Quorel needs its GNOME Shell extension: turn on Quorel in the "
        "Extensions app (log out and back in once if it is not listed yet).");
}

void GnomeShellWorkspace::setChannelRestoredHandler(std::function<void()> handler) {
    m_core.setRestoredHandler(std::move(handler));
}

void GnomeShellWorkspace::setShownHandler(std::function<void(const RunningApplication&)> handler) {
    m_core.setShownHandler(std::move(handler));
}

}  // namespace Quorel
