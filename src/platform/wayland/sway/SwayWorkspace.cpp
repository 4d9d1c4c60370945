#include "SwayWorkspace.h"

#include "SwayIpc.h"
#include "x11/DesktopEntries.h"

#include <QCoreApplication>
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

// A reply takes sway a millisecond or two; the bound is for a compositor that hangs.
constexpr std::chrono::milliseconds replyWait{500};

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
    std::unique_ptr<Channel> events = Channel::open(socketPath);
    std::unique_ptr<Channel> requests = events ? Channel::open(socketPath) : nullptr;
    if (!requests) {
        return nullptr;
    }
    // Subscribed before the tree is read, so that no activation falls between the two.
    const std::optional<QByteArray> subscribed =
        events->ask(SwayIpc::Subscribe, QByteArrayLiteral(R"(["window","workspace"])"),
                    [](const SwayIpc::Frame&) {});
    const std::optional<QJsonObject> answer = subscribed ? parseObject(*subscribed) : std::nullopt;
    if (!answer || !answer->value(QLatin1String("success")).toBool()) {
        return nullptr;
    }
    std::unique_ptr<SwayWorkspace> workspace(
        new SwayWorkspace(entries, std::move(events), std::move(requests)));
    if (!workspace->readFocused()) {
        return nullptr;
    }
    return workspace;
}

SwayWorkspace::SwayWorkspace(DesktopEntries& entries, std::unique_ptr<Channel> events,
                             std::unique_ptr<Channel> requests)
    : m_entries(entries), m_events(std::move(events)), m_requests(std::move(requests)) {
    connect(&m_events->socket, &QLocalSocket::readyRead, this, &SwayWorkspace::handleEvents);
    connect(&m_requests->socket, &QLocalSocket::readyRead, this, &SwayWorkspace::handleReplies);
    connect(&m_events->socket, &QLocalSocket::disconnected, this, [this] {
        m_frontmost.reset();
        m_frontWindow = -1;
    });
    // Events that came with the subscription's reply are already buffered.
    QMetaObject::invokeMethod(this, &SwayWorkspace::handleEvents, Qt::QueuedConnection);
}

SwayWorkspace::~SwayWorkspace() = default;

std::optional<QString> SwayWorkspace::frontmostApplicationName() {
    if (!m_frontmost || m_frontmost->name.isEmpty()) {
        return std::nullopt;
    }
    return m_frontmost->name;
}

std::optional<RunningApplication> SwayWorkspace::frontmostApplication() {
    return m_frontmost;
}

std::optional<QByteArray> SwayWorkspace::request(std::uint32_t type, const QByteArray& payload) {
    return m_requests->ask(type, payload, [this](const SwayIpc::Frame& frame) {
        if (frame.type == SwayIpc::RunCommand && m_unansweredCommands > 0) {
            --m_unansweredCommands;
        }
    });
}

bool SwayWorkspace::readFocused() {
    const std::optional<QByteArray> tree = request(SwayIpc::GetTree, {});
    const std::optional<QJsonObject> root = tree ? parseObject(*tree) : std::nullopt;
    if (!root) {
        return false;
    }
    const QJsonObject focused = focusedView(*root);
    m_frontmost = focused.isEmpty() ? std::nullopt : applicationOf(focused);
    m_frontWindow = m_frontmost ? focused.value(QLatin1String("id")).toInteger(-1) : -1;
    m_frontKey = m_frontmost ? m_frontmost->key : QString();
    return true;
}

QList<RunningApplication> SwayWorkspace::runningApplications() {
    const std::optional<QByteArray> tree = request(SwayIpc::GetTree, {});
    const std::optional<QJsonObject> root = tree ? parseObject(*tree) : std::nullopt;
    QList<RunningApplication> applications;
    if (!root) {
        return applications;
    }
    forEachView(*root, [&](const QJsonObject& node) {
        std::optional<RunningApplication> application = applicationOf(node);
        if (!application) {
            return;
        }
        const auto known = std::find_if(
            applications.begin(), applications.end(),
            [&application](const RunningApplication& a) { return a.key == application->key; });
        if (known != applications.end()) {
            known->isRegular |= application->isRegular;
        } else {
            applications.append(std::move(*application));
        }
    });
    return applications;
}

// The reply is read when it comes (handleReplies): waiting for it would stall the main thread
// while sway rearranges the windows.
void SwayWorkspace::hide(const RunningApplication& application) {
    const QByteArray command = SwayIpc::hideCommand(application.key);
    if (command.isEmpty() || m_requests->broken ||
        m_requests->socket.state() != QLocalSocket::ConnectedState) {
        return;
    }
    if (application.key == m_frontKey) {
        m_frontKey.clear();
    }
    if (m_frontmost && m_frontmost->key == application.key) {
        m_frontmost.reset();
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
    m_requests->drain([this](const SwayIpc::Frame& frame) {
        if (frame.type == SwayIpc::RunCommand && m_unansweredCommands > 0) {
            --m_unansweredCommands;
        }
    });
}

void SwayWorkspace::setActivationHandler(std::function<void(const RunningApplication&)> handler) {
    m_activationHandler = std::move(handler);
}

QStringList SwayWorkspace::installedApplicationNames() {
    QStringList names;
    for (const DesktopEntry& entry : m_entries.entries()) {
        // Our own entry, by its id or, packaged under another id, by its name.
        if (isShownInMenus(entry) && entry.id != u"quorel.desktop" && entry.name != u"Quorel") {
            names << entry.name;
        }
    }
    return names;
}

QString SwayWorkspace::limitation() const {
    return {};
}

void SwayWorkspace::handleEvents() {
    if (m_events->asking) {
        return;
    }
    std::optional<RunningApplication> activated;
    m_events->drain([&](const SwayIpc::Frame& frame) {
        const std::optional<QJsonObject> event = parseObject(frame.payload);
        if (!event) {
            return;
        }
        const QString before = m_frontKey;
        if (frame.type == SwayIpc::windowEvent) {
            windowEvent(*event);
        } else if (frame.type == SwayIpc::workspaceEvent) {
            workspaceEvent(*event);
        }
        if (m_frontmost && m_frontKey != before) {
            activated = m_frontmost;
        }
    });
    if (m_events->broken) {
        m_frontmost.reset();
        m_frontWindow = -1;
        return;
    }
    // Told once for a burst, last, with the cache up to date: the handler may call back in.
    // Copies, since it may replace itself.
    if (activated && m_frontmost && m_activationHandler) {
        const auto handler = m_activationHandler;
        const RunningApplication application = *m_frontmost;
        handler(application);
    }
}

void SwayWorkspace::windowEvent(const QJsonObject& event) {
    const QString change = event.value(QLatin1String("change")).toString();
    const QJsonObject container = event.value(QLatin1String("container")).toObject();
    const qint64 id = container.value(QLatin1String("id")).toInteger(-1);
    if (change == u"focus" || (change == u"title" && id == m_frontWindow)) {
        m_frontmost = applicationOf(container);
        m_frontWindow = m_frontmost ? id : -1;
        if (m_frontmost) {
            m_frontKey = m_frontmost->key;
        }
    } else if (id == m_frontWindow &&
               (change == u"close" ||
                // Out of sight: to the scratchpad, or to a workspace not shown.
                (change == u"move" && !container.value(QLatin1String("visible")).toBool(true)))) {
        m_frontmost.reset();
        m_frontWindow = -1;
    }
}

// A workspace that takes the focus itself has no window: nothing is in front.
void SwayWorkspace::workspaceEvent(const QJsonObject& event) {
    if (event.value(QLatin1String("change")).toString() != u"focus") {
        return;
    }
    const QJsonObject current = event.value(QLatin1String("current")).toObject();
    if (current.value(QLatin1String("focused")).toBool()) {
        m_frontmost.reset();
        m_frontWindow = -1;
    }
}

std::optional<RunningApplication> SwayWorkspace::applicationOf(const QJsonObject& node) {
    if (!isView(node)) {
        return std::nullopt;
    }
    const bool xwayland = node.value(QLatin1String("shell")).toString() == u"xwayland";
    const QJsonObject properties = node.value(QLatin1String("window_properties")).toObject();
    const QString id = xwayland ? properties.value(QLatin1String("class")).toString()
                                : node.value(QLatin1String("app_id")).toString();
    const QString instance = xwayland ? properties.value(QLatin1String("instance")).toString() : id;
    const qint64 pid = std::max<qint64>(node.value(QLatin1String("pid")).toInteger(0), 0);
    QString key = SwayIpc::applicationKey(pid, xwayland, id);
    if (key.isEmpty()) {
        return std::nullopt;
    }
    const std::optional<ResolvedApplication> resolved = m_entries.resolve(id, instance, pid);
    const bool hasEntry = resolved && !resolved->desktopId.isEmpty();
    RunningApplication application;
    application.name = resolved ? resolved->name : QString();
    application.identity = hasEntry ? resolved->desktopId : id;
    application.windowClass = id;
    application.executable = resolved ? resolved->executable : QString();
    application.key = std::move(key);
    const QString type = properties.value(QLatin1String("window_type")).toString();
    application.isRegular = type.isEmpty() || type == u"normal" || type == u"dialog";
    application.isThisProgram = pid != 0 ? pid == QCoreApplication::applicationPid()
                                         : id == u"quorel" || id == u"quorel.desktop";
    if (application.isThisProgram && !hasEntry) {
        application.name = QStringLiteral("Quorel");
    }
    return application;
}

}  // namespace Quorel
