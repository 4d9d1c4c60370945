// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "KWinWorkspace.h"

#include "wayland/kwin/KWinWorkspaceInterface.h"

#include "KWinWindows.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusReply>
#include <QDBusServiceWatcher>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QStringBuilder>
#include <QTimer>

#include <algorithm>

namespace Quorel {

namespace {

const QString kwinService = QStringLiteral("org.kde.KWin");
const QString scriptingPath = QStringLiteral("/Scripting");
const QString scriptingInterface = QStringLiteral("org.kde.kwin.Scripting");
const QString objectPath = kwinWorkspacePath;
const QString objectInterface = kwinWorkspaceInterface;
const QString pluginName = QStringLiteral("quorel-workspace");

constexpr int busTimeoutMs = 50;  // the bus daemon itself, not KWin
constexpr int callTimeoutMs = 3000;
constexpr int readyTimeoutMs = 4000;
constexpr int hideTimeoutMs = 5000;
constexpr int scriptCheckMs = 5000;
constexpr int firstRetryMs = 1000;
constexpr int longestRetryMs = 30000;

QString runtimeFolder() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return folder.isEmpty() ? QDir::tempPath() : folder;
}

QString hidePluginName(const QString& token) {
    return u"quorel-hide-" % QString::number(QCoreApplication::applicationPid()) % u'-' % token;
}

QDBusMessage scriptingCall(const QString& method, const QVariantList& arguments) {
    QDBusMessage message =
        QDBusMessage::createMethodCall(kwinService, scriptingPath, scriptingInterface, method);
    message.setArguments(arguments);
    return message;
}

QString scriptTemplate(const QString& resource) {
    QFile file(resource);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The one minimise() both scripts use, pasted in first: it holds no placeholders of its own.
QString minimiseFunction() {
    return scriptTemplate(QStringLiteral(":/kwin/minimise.js"));
}

bool writePrivateFile(const QString& path, const QString& text) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const QByteArray bytes = text.toUtf8();
    return file.write(bytes) == bytes.size();
}

}  // namespace

KWinWorkspace::KWinWorkspace(QDBusConnection bus, QString kwinOwner, DesktopEntries& entries)
    : m_bus(std::move(bus)), m_kwinOwner(std::move(kwinOwner)), m_core(entries) {
    m_hideTimeout = new QTimer(this);
    m_hideTimeout->setSingleShot(true);
    m_hideTimeout->setInterval(hideTimeoutMs);
    connect(m_hideTimeout, &QTimer::timeout, this, &KWinWorkspace::finishHideScript);
    m_loadTimeout.setSingleShot(true);
    m_loadTimeout.setInterval(readyTimeoutMs);
    connect(&m_loadTimeout, &QTimer::timeout, this,
            [this] { lost("KWin did not run Quorel's script"); });
    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, &KWinWorkspace::load);
    m_scriptCheck.setInterval(scriptCheckMs);
    connect(&m_scriptCheck, &QTimer::timeout, this, &KWinWorkspace::checkScript);
    auto* owner =
        new QDBusServiceWatcher(kwinService, m_bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(owner, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& newOwner) {
                kwinOwnerChanged(newOwner);
            });
}

// Asks only the bus, which answers at once; KWin itself is asked without waiting, so a hung
// KWin cannot hold Quorel's start.
std::unique_ptr<Workspace> KWinWorkspace::create(DesktopEntries& entries) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return nullptr;
    }
    QDBusMessage ask = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetNameOwner"));
    ask << kwinService;
    const QDBusReply<QString> owner = bus.call(ask, QDBus::Block, busTimeoutMs);
    if (!owner.isValid() || owner.value().isEmpty()) {
        return nullptr;
    }
    std::unique_ptr<KWinWorkspace> workspace(new KWinWorkspace(bus, owner.value(), entries));
    if (!workspace->prepare()) {
        return nullptr;
    }
    workspace->load();
    return workspace;
}

bool KWinWorkspace::prepare() {
    if (!m_bus.registerObject(objectPath, this, QDBusConnection::ExportScriptableSlots)) {
        return false;
    }
    const QString text = fillKWinScript(scriptTemplate(QStringLiteral(":/kwin/workspace.js")),
                                        {{QStringLiteral("MINIMISE"), minimiseFunction()},
                                         {QStringLiteral("SERVICE"), m_bus.baseService()},
                                         {QStringLiteral("PATH"), objectPath},
                                         {QStringLiteral("INTERFACE"), objectInterface}});
    m_scriptFile = runtimeFolder() % u"/quorel-kwin-" %
                   QString::number(QCoreApplication::applicationPid()) % u".js";
    if (text.isEmpty() || !writePrivateFile(m_scriptFile, text)) {
        QFile::remove(m_scriptFile);
        m_scriptFile.clear();
        return false;
    }
    return true;
}

// Unloads a script of ours that is still there (left by a Quorel that did not quit cleanly, it
// calls a bus name now gone), loads ours and runs it, without waiting on any step. Ready when
// the script's first report comes.
void KWinWorkspace::load() {
    m_retry.stop();
    m_loadTimeout.start();
    const quint64 attempt = ++m_loadAttempt;
    const auto next = [this, attempt](const QDBusMessage& call, auto&& then) {
        auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, callTimeoutMs), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this,
                [this, attempt, then](QDBusPendingCallWatcher* w) {
                    w->deleteLater();
                    if (attempt == m_loadAttempt) {
                        then(w->reply());
                    }
                });
    };
    next(scriptingCall(QStringLiteral("unloadScript"), {pluginName}),
         [this, next](const QDBusMessage&) {
             next(scriptingCall(QStringLiteral("loadScript"), {m_scriptFile, pluginName}),
                  [this, next](const QDBusMessage& loaded) {
                      const QDBusReply<int> id(loaded);
                      if (!id.isValid() || id.value() < 0) {
                          lost("KWin did not load Quorel's script");
                          return;
                      }
                      // Runs every script loaded and not yet running. Asking the loaded
                      // script's own object is not reliable: KWin numbers scripts by how many
                      // are loaded, so after an unload a new one may get the number, and the
                      // object path, of one still running.
                      next(scriptingCall(QStringLiteral("start"), {}), [](const QDBusMessage&) {});
                  });
         });
}

void KWinWorkspace::lost(const char* why) {
    m_loadTimeout.stop();
    m_scriptCheck.stop();
    ++m_loadAttempt;  // replies still on their way belong to no load
    if (m_state != State::Lost) {
        qWarning("%s; blocking apps is off on this desktop until it is back", why);
        m_retryDelay = firstRetryMs;
    } else {
        m_retryDelay = std::min(m_retryDelay * 2, longestRetryMs);
    }
    m_state = State::Lost;
    m_windows.clear();
    m_activeWindow.reset();
    m_core.forgetFront();
    if (!m_kwinOwner.isEmpty()) {
        m_retry.start(m_retryDelay);
    }
}

// KWin restarted (a new owner of its name) or left the bus: scripts die with it.
void KWinWorkspace::kwinOwnerChanged(const QString& newOwner) {
    m_kwinOwner = newOwner;
    lost(newOwner.isEmpty() ? "KWin left the session" : "KWin restarted");
    if (!newOwner.isEmpty()) {
        load();
    }
}

// KWin tells no one when a script is unloaded (kwin's scripting console, a user's cleanup):
// asked now and then, without waiting.
void KWinWorkspace::checkScript() {
    auto* watcher = new QDBusPendingCallWatcher(
        m_bus.asyncCall(scriptingCall(QStringLiteral("isScriptLoaded"), {pluginName}),
                        callTimeoutMs),
        this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<bool> loaded = *w;
        if (m_state == State::Ready && loaded.isValid() && !loaded.value()) {
            lost("Quorel's script was unloaded from KWin");
        }
    });
}

KWinWorkspace::~KWinWorkspace() {
    if (!m_hideToken.isEmpty()) {
        m_bus.call(scriptingCall(QStringLiteral("unloadScript"), {hidePluginName(m_hideToken)}),
                   QDBus::Block, 250);
        QFile::remove(m_hideFile);
    }
    if (!m_scriptFile.isEmpty()) {
        m_bus.call(scriptingCall(QStringLiteral("unloadScript"), {pluginName}), QDBus::Block, 250);
        QFile::remove(m_scriptFile);
    }
    m_bus.unregisterObject(objectPath);
}

bool KWinWorkspace::fromKWin() const {
    return calledFromDBus() && message().service() == m_kwinOwner;
}

QString KWinWorkspace::Activated(const QString& window) {
    if (!fromKWin()) {
        return QStringLiteral("[]");
    }
    m_activeWindow = parseKWinWindow(window.toUtf8());
    m_core.takeFront(m_activeWindow, [this] { return m_windows; });
    return deliverAndAnswer();
}

QString KWinWorkspace::Shown(const QString& windows) {
    if (!fromKWin()) {
        return QStringLiteral("[]");
    }
    for (const WindowFacts& window : parseKWinWindowList(windows.toUtf8())) {
        m_core.takeShown(window);
    }
    return deliverAndAnswer();
}

// Hides asked for meanwhile ride back in the answer.
QString KWinWorkspace::deliverAndAnswer() {
    m_answering = true;
    m_answerIds.clear();
    m_core.deliverActivations();
    m_answering = false;
    return QString::fromUtf8(kwinHideTargets(std::exchange(m_answerIds, {})));
}

void KWinWorkspace::Windows(const QString& windows) {
    if (!fromKWin()) {
        return;
    }
    m_windows = parseKWinWindowList(windows.toUtf8());
    if (m_state == State::Ready) {
        return;
    }
    m_loadTimeout.stop();
    m_scriptCheck.start();
    const bool restored = m_state == State::Lost;
    m_state = State::Ready;
    if (restored) {
        qInfo("Quorel's KWin script runs again");
        m_core.channelRestored();
    }
}

void KWinWorkspace::HideDone(const QString& token) {
    if (fromKWin() && !token.isEmpty() && token == m_hideToken) {
        finishHideScript();
    }
}

std::optional<QString> KWinWorkspace::frontmostApplicationName() {
    const std::optional<RunningApplication>& front = m_core.frontmost();
    if (!front || front->name.isEmpty()) {
        return std::nullopt;
    }
    return front->name;
}

std::optional<RunningApplication> KWinWorkspace::frontmostApplication() {
    return m_core.frontmost();
}

QList<RunningApplication> KWinWorkspace::runningApplications() {
    return m_core.applicationsOf(m_windows);
}

void KWinWorkspace::hide(const RunningApplication& application) {
    m_core.hidden(application.key);
    // The window just activated may come before the list that holds it.
    QList<WindowFacts> windows = m_windows;
    if (m_activeWindow) {
        windows.append(*m_activeWindow);
    }
    QStringList& ids = m_answering ? m_answerIds : m_pendingHides;
    for (const WindowFacts& window : m_core.windowsToHide(application.key, windows)) {
        if (!ids.contains(window.id)) {
            ids.append(window.id);
        }
    }
    if (!m_answering) {
        startHideScript();
    }
}

void KWinWorkspace::startHideScript() {
    if (!m_hideToken.isEmpty() || m_pendingHides.isEmpty()) {
        return;
    }
    const QByteArray targets = kwinHideTargets(std::exchange(m_pendingHides, {}));
    m_hideToken = QString::number(++m_hideSerial);
    m_hideFile = runtimeFolder() % u"/quorel-kwin-hide-" %
                 QString::number(QCoreApplication::applicationPid()) % u'-' % m_hideToken % u".js";
    const QString text = fillKWinScript(scriptTemplate(QStringLiteral(":/kwin/hide.js")),
                                        {{QStringLiteral("MINIMISE"), minimiseFunction()},
                                         {QStringLiteral("TARGETS"), QString::fromUtf8(targets)},
                                         {QStringLiteral("SERVICE"), m_bus.baseService()},
                                         {QStringLiteral("PATH"), objectPath},
                                         {QStringLiteral("INTERFACE"), objectInterface},
                                         {QStringLiteral("TOKEN"), m_hideToken}});
    if (text.isEmpty() || !writePrivateFile(m_hideFile, text)) {
        finishHideScript();
        return;
    }
    m_hideTimeout->start();
    const QString token = m_hideToken;
    auto* loading = new QDBusPendingCallWatcher(
        m_bus.asyncCall(
            scriptingCall(QStringLiteral("loadScript"), {m_hideFile, hidePluginName(token)}),
            callTimeoutMs),
        this);
    connect(loading, &QDBusPendingCallWatcher::finished, this,
            [this, token](QDBusPendingCallWatcher* call) {
                call->deleteLater();
                if (token != m_hideToken) {
                    return;
                }
                const QDBusPendingReply<int> id = *call;
                if (id.isError() || id.value() < 0) {
                    finishHideScript();
                    return;
                }
                auto* running = new QDBusPendingCallWatcher(
                    m_bus.asyncCall(scriptingCall(QStringLiteral("start"), {}), callTimeoutMs),
                    this);
                connect(running, &QDBusPendingCallWatcher::finished, this,
                        [this, token](QDBusPendingCallWatcher* run) {
                            run->deleteLater();
                            if (run->isError() && token == m_hideToken) {
                                finishHideScript();
                            }
                        });
            });
}

// The one-off script has run, failed or timed out: unload it and send the next request.
void KWinWorkspace::finishHideScript() {
    if (m_hideToken.isEmpty()) {
        return;
    }
    m_hideTimeout->stop();
    m_bus.call(scriptingCall(QStringLiteral("unloadScript"), {hidePluginName(m_hideToken)}),
               QDBus::NoBlock);
    QFile::remove(m_hideFile);
    m_hideToken.clear();
    m_hideFile.clear();
    startHideScript();
}

void KWinWorkspace::setActivationHandler(std::function<void(const RunningApplication&)> handler) {
    m_core.setActivationHandler(std::move(handler));
}

QList<RunningApplication> KWinWorkspace::installedApplications() {
    return m_core.installedApplications();
}

QString KWinWorkspace::limitation() const {
    if (m_state != State::Lost) {
        return {};
    }
    return QStringLiteral(
        "Quorel's script in KWin is not running, so it can't hide blocked apps until it is back.");
}

void KWinWorkspace::setChannelRestoredHandler(std::function<void()> handler) {
    m_core.setRestoredHandler(std::move(handler));
}

void KWinWorkspace::setShownHandler(std::function<void(const RunningApplication&)> handler) {
    m_core.setShownHandler(std::move(handler));
}

}  // namespace Quorel
