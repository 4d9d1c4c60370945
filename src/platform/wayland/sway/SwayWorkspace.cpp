// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "SwayWorkspace.h"

#include "SwayIpc.h"

#include <QDeadlineTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QProcessEnvironment>

#include <algorithm>
#include <utility>

namespace Quorel {

namespace {

// A reply takes sway a millisecond or two; the bound is for a compositor that hangs, which must
// not freeze Quorel's windows either.
constexpr std::chrono::milliseconds replyWait{50};

// Containers nest a few levels deep; a tree deeper than this is not walked further.
constexpr int maxDepth = 64;

bool isView(const QJsonObject& node) {
    return node.contains(QLatin1String("shell"));
}

// Calls visit for each window of the tree, in sway's order (tiled, then floating).
template <typename Visit>
void forEachView(const QJsonObject& node, Visit&& visit, int depth = 0) {
    if (depth > maxDepth) {
        return;
    }
    if (isView(node)) {
        visit(node);
    }
    for (const QLatin1String children : {QLatin1String("nodes"), QLatin1String("floating_nodes")}) {
        const QJsonArray array = node.value(children).toArray();
        for (const QJsonValue& child : array) {
            forEachView(child.toObject(), visit, depth + 1);
        }
    }
}

// The window with the keyboard focus; an empty object when a workspace itself has it.
QJsonObject focusedView(const QJsonObject& tree) {
    QJsonObject focused;
    forEachView(tree, [&focused](const QJsonObject& node) {
        if (node.value(QLatin1String("focused")).toBool()) {
            focused = node;
        }
    });
    return focused;
}

// What one window of the tree says of itself.
WindowFacts factsOf(const QJsonObject& node) {
    const bool xwayland = node.value(QLatin1String("shell")).toString() == u"xwayland";
    const QJsonObject properties = node.value(QLatin1String("window_properties")).toObject();
    WindowFacts window;
    window.id = QString::number(node.value(QLatin1String("id")).toInteger(-1));
    window.pid = std::max<qint64>(node.value(QLatin1String("pid")).toInteger(0), 0);
    window.windowClass = xwayland ? properties.value(QLatin1String("class")).toString()
                                  : node.value(QLatin1String("app_id")).toString();
    window.instance = xwayland ? properties.value(QLatin1String("instance")).toString() : QString();
    window.xwayland = xwayland;
    // Only XWayland windows tell a type; a native one is a toplevel (popups are not in the tree).
    const QString type = properties.value(QLatin1String("window_type")).toString();
    window.type = type.isEmpty() || type == u"normal"     ? WindowType::Normal
                  : type == u"dialog"                     ? WindowType::Dialog
                  : type == u"desktop" || type == u"dock" ? WindowType::DesktopShell
                                                          : WindowType::Auxiliary;
    return window;
}

std::optional<QJsonObject> parseObject(const QByteArray& payload) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(payload, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        return std::nullopt;
    }
    return document.object();
}

}  // namespace

struct SwayWorkspace::Channel {
    QLocalSocket socket;
    QByteArray buffer;
    bool broken = false;
    bool asking = false;  // waitForReadyRead emits readyRead: its slot must leave the reply to us

    // The frames that have arrived; marks the channel broken on a frame that is not sway's.
    template <typename Handle>
    void drain(Handle&& handle) {
        buffer.append(socket.readAll());
        SwayIpc::Frame frame;
        for (;;) {
            const SwayIpc::Take take = SwayIpc::takeFrame(buffer, frame);
            if (take == SwayIpc::Take::NeedMore) {
                return;
            }
            if (take == SwayIpc::Take::Broken) {
                broken = true;
                buffer.clear();
                socket.abort();
                return;
            }
            handle(frame);
        }
    }

    // Sends a request and waits, boundedly, for the reply of its type. Replies of other types
    // (to commands sent before) are handed to other.
    template <typename Other>
    std::optional<QByteArray> ask(std::uint32_t type, const QByteArray& payload, Other&& other) {
        if (broken || socket.state() != QLocalSocket::ConnectedState) {
            return std::nullopt;
        }
        socket.write(SwayIpc::encode(type, payload));
        socket.flush();
        asking = true;
        const QDeadlineTimer deadline(replyWait);
        std::optional<QByteArray> reply;
        while (!reply && !broken) {
            drain([&](SwayIpc::Frame& frame) {
                if (!reply && frame.type == type) {
                    reply = std::move(frame.payload);
                } else {
                    other(frame);
                }
            });
            if (reply || broken || deadline.hasExpired() ||
                !socket.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
                break;
            }
        }
        asking = false;
        return reply;
    }

    static std::unique_ptr<Channel> open(const QString& path) {
        auto channel = std::make_unique<Channel>();
        channel->socket.connectToServer(path);
        if (!channel->socket.waitForConnected(static_cast<int>(replyWait.count()))) {
            return nullptr;
        }
        return channel;
    }
};

std::unique_ptr<Workspace> SwayWorkspace::create(DesktopEntries& entries) {
    const QString path = QProcessEnvironment::systemEnvironment().value(QStringLiteral("SWAYSOCK"));
    if (path.isEmpty()) {
        return nullptr;
    }
    return connectTo(entries, path);
}

std::unique_ptr<SwayWorkspace> SwayWorkspace::connectTo(DesktopEntries& entries,
                                                        const QString& socketPath) {
    std::unique_ptr<SwayWorkspace> workspace(new SwayWorkspace(entries, socketPath));
    if (!workspace->connectChannels()) {
        return nullptr;
    }
    return workspace;
}

SwayWorkspace::SwayWorkspace(DesktopEntries& entries, QString socketPath)
    : m_core(entries), m_socketPath(std::move(socketPath)) {
    m_reconnect.setSingleShot(true);
    connect(&m_reconnect, &QTimer::timeout, this, &SwayWorkspace::reconnect);
}

// Two fresh channels, subscribed before the tree is read so that no activation falls between.
bool SwayWorkspace::connectChannels() {
    std::unique_ptr<Channel> events = Channel::open(m_socketPath);
    std::unique_ptr<Channel> requests = events ? Channel::open(m_socketPath) : nullptr;
    if (!requests) {
        return false;
    }
    const std::optional<QByteArray> subscribed =
        events->ask(SwayIpc::Subscribe, QByteArrayLiteral(R"(["window","workspace"])"),
                    [](const SwayIpc::Frame&) {});
    const std::optional<QJsonObject> answer = subscribed ? parseObject(*subscribed) : std::nullopt;
    if (!answer || !answer->value(QLatin1String("success")).toBool()) {
        return false;
    }
    m_events = std::move(events);
    m_requests = std::move(requests);
    m_unansweredCommands = 0;
    if (!readFocused()) {
        m_events.reset();
        m_requests.reset();
        return false;
    }
    connect(&m_events->socket, &QLocalSocket::readyRead, this, &SwayWorkspace::handleEvents);
    connect(&m_requests->socket, &QLocalSocket::readyRead, this, &SwayWorkspace::handleReplies);
    for (Channel* channel : {m_events.get(), m_requests.get()}) {
        connect(&channel->socket, &QLocalSocket::disconnected, this, &SwayWorkspace::lost,
                Qt::QueuedConnection);
    }
    // Events that came with the subscription's reply are already buffered.
    QMetaObject::invokeMethod(this, &SwayWorkspace::handleEvents, Qt::QueuedConnection);
    return true;
}

// sway restarted, or the socket was closed under us: nothing is seen until it is back, so the
// user is told, and it is asked for again, less often the longer it stays away.
void SwayWorkspace::lost() {
    const auto open = [](const std::unique_ptr<Channel>& channel) {
        return channel && !channel->broken &&
               channel->socket.state() == QLocalSocket::ConnectedState;
    };
    if (m_lost || (open(m_events) && open(m_requests))) {
        return;  // told already, or by a channel replaced since
    }
    m_lost = true;
    qWarning("The connection to sway at %s closed; blocking apps is off until it is back",
             qPrintable(m_socketPath));
    m_core.forgetFront();
    m_frontWindow = -1;
    m_reconnectDelay = firstReconnectDelay;
    m_reconnect.start(m_reconnectDelay);
}

void SwayWorkspace::reconnect() {
    if (!connectChannels()) {
        m_reconnectDelay = std::min(m_reconnectDelay * 2, longestReconnectDelay);
        m_reconnect.start(m_reconnectDelay);
        return;
    }
    m_lost = false;
    qInfo("The connection to sway is back");
    m_core.deliverActivations();  // the sweep below judges the one in front too
    m_core.channelRestored();
}

SwayWorkspace::~SwayWorkspace() = default;

std::optional<QString> SwayWorkspace::frontmostApplicationName() {
    const std::optional<RunningApplication>& front = m_core.frontmost();
    if (!front || front->name.isEmpty()) {
        return std::nullopt;
    }
    return front->name;
}

std::optional<RunningApplication> SwayWorkspace::frontmostApplication() {
    return m_core.frontmost();
}

std::optional<QByteArray> SwayWorkspace::request(std::uint32_t type, const QByteArray& payload) {
    std::optional<QByteArray> reply =
        m_requests->ask(type, payload, [this](const SwayIpc::Frame& frame) { otherReply(frame); });
    if (reply && type == SwayIpc::GetTree) {
        m_treeLate = false;  // a tree came, the late one or a newer one
    }
    return reply;
}

// A reply nobody waits for: a hide command's, or a tree that came after its caller gave up. A
// sway too busy for the bounded wait would otherwise leave the sweep at the start of focus with
// nothing; with the late tree the sweep runs again.
void SwayWorkspace::otherReply(const SwayIpc::Frame& frame) {
    if (frame.type == SwayIpc::RunCommand && m_unansweredCommands > 0) {
        --m_unansweredCommands;
    } else if (frame.type == SwayIpc::GetTree && std::exchange(m_treeLate, false)) {
        const std::optional<QJsonObject> root = parseObject(frame.payload);
        if (!root) {
            return;
        }
        QList<WindowFacts> windows;
        forEachView(*root, [&windows](const QJsonObject& node) { windows.append(factsOf(node)); });
        m_lateWindows = std::move(windows);
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_core.channelRestored();
                m_lateWindows.reset();
            },
            Qt::QueuedConnection);
    }
}

bool SwayWorkspace::readFocused() {
    const std::optional<QByteArray> tree = request(SwayIpc::GetTree, {});
    const std::optional<QJsonObject> root = tree ? parseObject(*tree) : std::nullopt;
    if (!root) {
        return false;
    }
    const QJsonObject focused = focusedView(*root);
    takeFront(focused.isEmpty() ? std::nullopt : std::optional<QJsonObject>(focused));
    // At the start nobody listens yet; after a loss, the window in front is news.
    m_core.deliverActivations();
    return true;
}

QList<RunningApplication> SwayWorkspace::runningApplications() {
    if (m_lateWindows) {
        return m_core.applicationsOf(*m_lateWindows);
    }
    const std::optional<QByteArray> tree = request(SwayIpc::GetTree, {});
    if (!tree) {
        m_treeLate = !m_requests->broken;
        return {};
    }
    const std::optional<QJsonObject> root = parseObject(*tree);
    if (!root) {
        return {};
    }
    QList<WindowFacts> windows;
    forEachView(*root, [&windows](const QJsonObject& node) { windows.append(factsOf(node)); });
    return m_core.applicationsOf(windows);
}

// The reply is read when it comes (handleReplies): waiting for it would stall the main thread
// while sway rearranges the windows.
void SwayWorkspace::hide(const RunningApplication& application) {
    const WindowFacts* window = m_core.lastSeen(application.key);
    if (window == nullptr || m_core.isThisProgram(*window)) {
        return;
    }
    const QByteArray command =
        SwayIpc::hideCommand(window->pid, window->xwayland, window->windowClass);
    if (command.isEmpty() || m_requests->broken ||
        m_requests->socket.state() != QLocalSocket::ConnectedState) {
        return;
    }
    m_core.hidden(application.key);
    const std::optional<RunningApplication>& front = m_core.frontmost();
    if (front && front->key == application.key) {
        m_core.takeFront(std::nullopt);
        m_frontWindow = -1;
    }
    m_requests->socket.write(SwayIpc::encode(SwayIpc::RunCommand, command));
    m_requests->socket.flush();
    ++m_unansweredCommands;
}

void SwayWorkspace::handleReplies() {
    if (m_requests->asking) {
        return;
    }
    m_requests->drain([this](const SwayIpc::Frame& frame) { otherReply(frame); });
}

void SwayWorkspace::setActivationHandler(std::function<void(const RunningApplication&)> handler) {
    m_core.setActivationHandler(std::move(handler));
}

QList<RunningApplication> SwayWorkspace::installedApplications() {
    return m_core.installedApplications();
}

QString SwayWorkspace::limitation() const {
    if (!m_lost) {
        return {};
    }
    return QStringLiteral(
        "Quorel lost its connection to sway, so it can't hide blocked apps until it is back.");
}

void SwayWorkspace::handleEvents() {
    if (m_events->asking) {
        return;
    }
    m_events->drain([&](const SwayIpc::Frame& frame) {
        const std::optional<QJsonObject> event = parseObject(frame.payload);
        if (!event) {
            return;
        }
        if (frame.type == SwayIpc::windowEvent) {
            windowEvent(*event);
        } else if (frame.type == SwayIpc::workspaceEvent) {
            workspaceEvent(*event);
        }
    });
    if (m_events->broken) {
        lost();
        return;
    }
    m_core.deliverActivations();
}

// A view other than a window (a workspace has the focus) leaves nothing in front.
void SwayWorkspace::takeFront(const std::optional<QJsonObject>& view) {
    if (!view || !isView(*view)) {
        m_core.takeFront(std::nullopt);
        m_frontWindow = -1;
        return;
    }
    m_core.takeFront(factsOf(*view));
    m_frontWindow = m_core.frontmost() ? view->value(QLatin1String("id")).toInteger(-1) : -1;
}

// A window in sight on any output, focused or not: mapped, moved onto a shown workspace (or out
// of the scratchpad), made floating or fullscreen.
void SwayWorkspace::windowEvent(const QJsonObject& event) {
    const QString change = event.value(QLatin1String("change")).toString();
    const QJsonObject container = event.value(QLatin1String("container")).toObject();
    const qint64 id = container.value(QLatin1String("id")).toInteger(-1);
    if (isView(container) && container.value(QLatin1String("visible")).toBool() &&
        (change == u"new" || change == u"move" || change == u"floating" ||
         change == u"fullscreen_mode" || change == u"focus" || change == u"urgent")) {
        m_core.takeShown(factsOf(container));
    }
    if (change == u"focus" || (change == u"title" && id == m_frontWindow)) {
        takeFront(container);
    } else if (id == m_frontWindow &&
               (change == u"close" ||
                // Out of sight: to the scratchpad, or to a workspace not shown.
                (change == u"move" && !container.value(QLatin1String("visible")).toBool(true)))) {
        takeFront(std::nullopt);
    }
}

// A workspace shown brings its windows into sight.
void SwayWorkspace::workspaceEvent(const QJsonObject& event) {
    if (event.value(QLatin1String("change")).toString() != u"focus") {
        return;
    }
    const QJsonObject current = event.value(QLatin1String("current")).toObject();
    forEachView(current, [this](const QJsonObject& view) {
        if (view.value(QLatin1String("visible")).toBool()) {
            m_core.takeShown(factsOf(view));
        }
    });
    // A workspace that takes the focus itself has no window: nothing is in front.
    if (current.value(QLatin1String("focused")).toBool()) {
        takeFront(std::nullopt);
    }
}

void SwayWorkspace::setChannelRestoredHandler(std::function<void()> handler) {
    m_core.setRestoredHandler(std::move(handler));
}

void SwayWorkspace::setShownHandler(std::function<void(const RunningApplication&)> handler) {
    m_core.setShownHandler(std::move(handler));
}

}  // namespace Quorel
