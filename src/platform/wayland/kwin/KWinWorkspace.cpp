#include "KWinWorkspace.h"

#include "KWinWindows.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusReply>
#include <QDir>
#include <QEventLoop>
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
const QString objectPath = QStringLiteral("/app/quorel/KWinWorkspace");
const QString objectInterface = QStringLiteral("app.quorel.KWinWorkspace");
const QString pluginName = QStringLiteral("quorel-workspace");

constexpr int callTimeoutMs = 3000;
constexpr int readyTimeoutMs = 4000;
constexpr int hideTimeoutMs = 5000;

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
}

std::unique_ptr<Workspace> KWinWorkspace::create(DesktopEntries& entries) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || bus.interface() == nullptr) {
        return nullptr;
    }
    const QDBusReply<QString> owner = bus.interface()->serviceOwner(kwinService);
    if (!owner.isValid() || owner.value().isEmpty()) {
        return nullptr;
    }
    std::unique_ptr<KWinWorkspace> workspace(new KWinWorkspace(bus, owner.value(), entries));
    if (!workspace->start()) {
        return nullptr;
    }
    return workspace;
}

bool KWinWorkspace::start() {
    if (!m_bus.registerObject(objectPath, this, QDBusConnection::ExportScriptableSlots)) {
        return false;
    }
    const QString text = fillKWinScript(scriptTemplate(QStringLiteral(":/kwin/workspace.js")),
                                        {{QStringLiteral("SERVICE"), m_bus.baseService()},
                                         {QStringLiteral("PATH"), objectPath},
                                         {QStringLiteral("INTERFACE"), objectInterface}});
    m_scriptFile = runtimeFolder() % u"/quorel-kwin-" %
                   QString::number(QCoreApplication::applicationPid()) % u".js";
    if (text.isEmpty() || !writePrivateFile(m_scriptFile, text)) {
        QFile::remove(m_scriptFile);
        m_scriptFile.clear();
        return false;
    }
    // One left behind by a Quorel that did not quit cleanly would call a bus name now gone.
    m_bus.call(scriptingCall(QStringLiteral("unloadScript"), {pluginName}), QDBus::Block,
               callTimeoutMs);
    const QDBusReply<int> id =
        m_bus.call(scriptingCall(QStringLiteral("loadScript"), {m_scriptFile, pluginName}),
                   QDBus::Block, callTimeoutMs);
    if (id.isValid() && id.value() >= 0 && runScript()) {
        QEventLoop loop;
        m_waitingForReady = &loop;
        QTimer::singleShot(readyTimeoutMs, &loop, &QEventLoop::quit);
        if (!m_ready) {
            loop.exec();
        }
        m_waitingForReady = nullptr;
    }
    return m_ready;
}

// Runs every script loaded and not yet running. Asking the loaded script's own object to run
// is not reliable: KWin numbers a script by how many are loaded, so after an unload a new script
// may get the number, and the object path, of one still running.
bool KWinWorkspace::runScript() {
    const QDBusMessage reply =
        m_bus.call(scriptingCall(QStringLiteral("start"), {}), QDBus::Block, callTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}

KWinWorkspace::~KWinWorkspace() {
    if (!m_hideToken.isEmpty()) {
        m_bus.call(scriptingCall(QStringLiteral("unloadScript"), {hidePluginName(m_hideToken)}),
                   QDBus::Block, 1000);
        QFile::remove(m_hideFile);
    }
    if (!m_scriptFile.isEmpty()) {
        m_bus.call(scriptingCall(QStringLiteral("unloadScript"), {pluginName}), QDBus::Block, 1000);
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
    // Hides asked for meanwhile ride back in the answer.
    m_inActivation = true;
    m_answerIds.clear();
    m_core.deliverActivations();
    m_inActivation = false;
    return QString::fromUtf8(kwinHideTargets(std::exchange(m_answerIds, {})));
}

void KWinWorkspace::Windows(const QString& windows) {
    if (!fromKWin()) {
        return;
    }
    m_windows = parseKWinWindowList(windows.toUtf8());
    m_ready = true;
    if (m_waitingForReady != nullptr) {
        m_waitingForReady->quit();
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
    QStringList& ids = m_inActivation ? m_answerIds : m_pendingHides;
    for (const WindowFacts& window : m_core.windowsToHide(application.key, windows)) {
        if (!ids.contains(window.id)) {
            ids.append(window.id);
        }
    }
    if (!m_inActivation) {
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
                                        {{QStringLiteral("TARGETS"), QString::fromUtf8(targets)},
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

QStringList KWinWorkspace::installedApplicationNames() {
    return m_core.installedApplicationNames();
}

QString KWinWorkspace::limitation() const {
    return {};
}

void KWinWorkspace::setChannelRestoredHandler(std::function<void()> handler) {
    m_core.setRestoredHandler(std::move(handler));
}

}  // namespace Quorel
