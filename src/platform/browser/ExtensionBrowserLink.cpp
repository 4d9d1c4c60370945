// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ExtensionBrowserLink.h"

#include "BrowserFamily.h"
#include "BrowserLinkProtocol.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

#include <algorithm>
#include <condition_variable>
#include <future>
#include <map>
#include <mutex>
#include <optional>

namespace Quorel {

namespace {

// One browser profile per connection; more than this is not a person's desktop.
constexpr std::size_t maxConnections = 32;
constexpr qsizetype readChunk = 64 * 1024;
constexpr auto startTimeout = std::chrono::seconds(5);

struct FrontTab {
    QString url;
    QString title;
    QString status;
    qint64 tabId = -1;
    bool focused = false;
    bool privateWindows = true;  // whether the extension may see private windows
};

struct Connection {
    BrowserFamily family = BrowserFamily::Unknown;
    qint64 browserPid = 0;  // the host's parent, as the host names it; 0 when it does not
    int version = 0;        // of the extension's messages; 0 until it names one (the first release)
    std::optional<FrontTab> front;
    // Stamps from one counter: when this browser last reported a focused window, and last
    // reported at all. The highest focus stamp of a family is the window in front.
    quint64 focusStamp = 0;
    quint64 reportStamp = 0;
    // The navigation the extension holds until it is judged (-1: none), and the one that was held
    // when the front tab was read last, which is what a verdict of that read lets go.
    qint64 held = -1;
    qint64 heldWhenRead = -1;
};

struct Navigation {
    quint64 connection = 0;
    qint64 tabId = -1;
    QString url;  // empty for the extension's own blocked page
    bool answered = false;
    bool ok = false;
};

QByteArray letGoMessage(qint64 hold) {
    return QJsonDocument(QJsonObject{{QStringLiteral("type"), QStringLiteral("release")},
                                     {QStringLiteral("hold"), hold}})
        .toJson(QJsonDocument::Compact);
}

QByteArray rulesMessage(const BrowserRules& rules) {
    return QJsonDocument(
               QJsonObject{
                   {QStringLiteral("type"), QStringLiteral("rules")},
                   {QStringLiteral("sites"), QJsonArray::fromStringList(rules.sites)},
                   {QStringLiteral("sitesUntil"), rules.sitesUntil},
                   {QStringLiteral("adultSites"), QJsonArray::fromStringList(rules.adultSites)},
                   {QStringLiteral("shorts"), rules.blockYouTubeShorts},
                   {QStringLiteral("reels"), rules.blockInstagramReels}})
        .toJson(QJsonDocument::Compact);
}

bool logReports() {
    return !qEnvironmentVariableIsEmpty("QUOREL_BROWSER_LINK_LOG");
}

}  // namespace

class LinkServer;

// Everything both threads touch, behind one lock.
struct LinkState {
    std::mutex mutex;
    std::condition_variable answered;
    std::map<quint64, Connection> connections;
    std::map<qint64, Navigation> navigations;
    quint64 stamp = 0;
    qint64 nextNavigation = 1;
    bool closing = false;
    bool judging = false;
    int waiting = 0;  // redirects waiting for their answer; closing waits for them to leave
    std::chrono::milliseconds replyTimeout{2000};
    // The rules message sent last, for every extension that greets us later; none until the
    // engine has decided.
    std::optional<QByteArray> rules;
    // The socket side while its thread runs; posting to it happens under the lock.
    LinkServer* server = nullptr;
    // Told of front-tab changes; its own lock, so that it is never called under the state's.
    std::mutex handlerMutex;
    std::function<void()> frontChanged;

    // Sends from any thread; called under the lock.
    void post(quint64 peer, const QByteArray& payload);
    // Every held navigation goes on.
    void letEverythingGo();

    // The connection of this family whose window had the focus last.
    const std::pair<const quint64, Connection>* frontConnection(BrowserFamily family) const {
        const std::pair<const quint64, Connection>* best = nullptr;
        if (family == BrowserFamily::Unknown) {
            return best;  // not a browser we link to; peers that never said hello stay unknown
        }
        for (const auto& entry : connections) {
            const Connection& c = entry.second;
            if (c.family != family) {
                continue;
            }
            if (best == nullptr || c.focusStamp > best->second.focusStamp ||
                (c.focusStamp == best->second.focusStamp &&
                 c.reportStamp > best->second.reportStamp)) {
                best = &entry;
            }
        }
        return best;
    }
};

// Lives on the link's thread: the server, its sockets and their decoders.
class LinkServer : public QObject {
public:
    explicit LinkServer(std::shared_ptr<LinkState> state) : m_state(std::move(state)) {
        m_server.setSocketOptions(QLocalServer::UserAccessOption);
        connect(&m_server, &QLocalServer::newConnection, this, &LinkServer::accept);
    }

    // The sockets are our children and outlive our members; they must not call back into us.
    ~LinkServer() override {
        for (auto& entry : m_peers) {
            entry.second.socket->disconnect(this);
        }
    }
    LinkServer(const LinkServer&) = delete;
    LinkServer& operator=(const LinkServer&) = delete;

    bool listen(const QString& path) {
        const QString folder = QFileInfo(path).absolutePath();
        if (!QDir().mkpath(folder) ||
            !QFile::setPermissions(folder,
                                   QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)) {
            qWarning("Quorel: cannot make the private folder %s for the browser link",
                     qUtf8Printable(folder));
            return false;
        }
        // Another Quorel of this user (one with its own settings folder) keeps its link: only a
        // socket nobody answers on, left by a Quorel that crashed, is replaced.
        if (answers(path)) {
            qWarning("Quorel: another Quorel serves the browser link at %s; this one does without",
                     qUtf8Printable(path));
            return false;
        }
        QLocalServer::removeServer(path);
        if (!m_server.listen(path)) {
            qWarning("Quorel: the browser link cannot listen at %s: %s", qUtf8Printable(path),
                     qUtf8Printable(m_server.errorString()));
            return false;
        }
        return true;
    }

    void send(quint64 id, const QByteArray& payload) {
        const auto peer = m_peers.find(id);
        if (peer != m_peers.end()) {
            peer->second.socket->write(encodeFrame(payload));
        }
    }

    void flushAll() {
        for (auto& entry : m_peers) {
            entry.second.socket->flush();
        }
    }

private:
    static bool answers(const QString& path) {
        QLocalSocket probe;
        probe.connectToServer(path);
        const bool connected = probe.waitForConnected(1000);
        probe.abort();
        return connected;
    }

    struct Peer {
        QLocalSocket* socket = nullptr;
        FrameDecoder decoder;
    };

    void accept() {
        while (QLocalSocket* socket = m_server.nextPendingConnection()) {
            if (m_peers.size() >= maxConnections) {
                socket->abort();
                socket->deleteLater();
                continue;
            }
            const quint64 id = ++m_lastId;
            socket->setParent(this);
            m_peers.emplace(id, Peer{socket, FrameDecoder()});
            {
                const std::lock_guard lock(m_state->mutex);
                m_state->connections.emplace(id, Connection());
            }
            connect(socket, &QLocalSocket::readyRead, this, [this, id] { read(id); });
            connect(socket, &QLocalSocket::disconnected, this, [this, id] { drop(id); });
            // The peer may have sent and gone before we connected the signals.
            read(id);
            if (socket->state() != QLocalSocket::ConnectedState) {
                drop(id);
            }
        }
    }

    void read(quint64 id) {
        const auto peer = m_peers.find(id);
        if (peer == m_peers.end()) {
            return;
        }
        QLocalSocket* socket = peer->second.socket;
        FrameDecoder& decoder = peer->second.decoder;
        while (socket->bytesAvailable() > 0) {
            const qint64 skipped = decoder.skipped();
            decoder.append(socket->read(readChunk));
            while (std::optional<QByteArray> payload = decoder.next()) {
                if (handle(id, QJsonDocument::fromJson(*payload).object())) {
                    const std::lock_guard lock(m_state->handlerMutex);
                    if (m_state->frontChanged) {
                        m_state->frontChanged();
                    }
                }
            }
            if (decoder.skipped() > skipped && skipped == 0) {
                qWarning("Quorel: a browser link peer sent a message over %lld bytes; skipped",
                         static_cast<long long>(maxFrameSize));
            }
        }
    }

    // True when the message tells of another front address or focus.
    bool handle(quint64 id, const QJsonObject& message) {
        const QString type = message.value(QLatin1String("type")).toString();
        const std::lock_guard lock(m_state->mutex);
        const auto found = m_state->connections.find(id);
        if (found == m_state->connections.end()) {
            return false;
        }
        bool changed = false;
        Connection& connection = found->second;
        if (type == QLatin1String("extension")) {
            connection.version = message.value(QLatin1String("version")).toInt(0);
            if (connection.version != browserLinkVersion) {
                qWarning("Quorel: the browser extension speaks release %d of the link, not %d",
                         connection.version, browserLinkVersion);
            }
            send(id, QJsonDocument(QJsonObject{{QStringLiteral("type"), QStringLiteral("welcome")},
                                               {QStringLiteral("version"), browserLinkVersion}})
                         .toJson(QJsonDocument::Compact));
            // An extension that comes (back) finds the rules it may have missed.
            if (connection.version == browserLinkVersion && m_state->rules) {
                send(id, *m_state->rules);
                if (logReports()) {
                    qInfo("browser-link: %lld rules resent", QDateTime::currentMSecsSinceEpoch());
                }
            }
        } else if (type == QLatin1String("hello")) {
            connection.family =
                browserFamilyFromKey(message.value(QLatin1String("family")).toString());
            connection.browserPid = message.value(QLatin1String("browserPid")).toInteger();
            qInfo("Quorel: browser link from %s (pid %lld)",
                  qUtf8Printable(browserFamilyKey(connection.family)),
                  message.value(QLatin1String("browserPid")).toInteger());
        } else if (type == QLatin1String("front")) {
            // A held navigation is judged like any new address, or let go at once when nothing
            // is judged now.
            if (const qint64 hold = message.value(QLatin1String("hold")).toInteger(-1); hold >= 0) {
                if (m_state->judging) {
                    connection.held = hold;
                    changed = true;
                } else {
                    send(id, letGoMessage(hold));
                }
            }
            FrontTab tab{message.value(QLatin1String("url")).toString(),
                         message.value(QLatin1String("title")).toString(),
                         message.value(QLatin1String("status")).toString(),
                         message.value(QLatin1String("tabId")).toInteger(-1),
                         message.value(QLatin1String("focused")).toBool(),
                         message.value(QLatin1String("privateWindows")).toBool(true)};
            const quint64 stamp = ++m_state->stamp;
            connection.reportStamp = stamp;
            if (tab.focused) {
                connection.focusStamp = stamp;
            }
            if (logReports() &&
                (!connection.front || connection.front->url != tab.url ||
                 connection.front->title != tab.title || connection.front->status != tab.status ||
                 connection.front->focused != tab.focused)) {
                qInfo("browser-link: %lld %s front %s status=%s focused=%d title=%s",
                      QDateTime::currentMSecsSinceEpoch(),
                      qUtf8Printable(browserFamilyKey(connection.family)), qUtf8Printable(tab.url),
                      qUtf8Printable(tab.status), tab.focused ? 1 : 0, qUtf8Printable(tab.title));
            }
            changed = changed || !connection.front || connection.front->url != tab.url ||
                      connection.front->focused != tab.focused;
            connection.front = std::move(tab);
        } else if (type == QLatin1String("applied")) {
            const bool ok = message.value(QLatin1String("ok")).toBool();
            if (!ok) {
                qWarning("Quorel: the %s extension could not put the blocking rules in force",
                         qUtf8Printable(browserFamilyKey(connection.family)));
            } else if (logReports()) {
                qInfo("browser-link: %lld %s applied rules=%lld",
                      QDateTime::currentMSecsSinceEpoch(),
                      qUtf8Printable(browserFamilyKey(connection.family)),
                      message.value(QLatin1String("rules")).toInteger());
            }
        } else if (type == QLatin1String("shown")) {
            if (logReports()) {
                qInfo("browser-link: %lld %s shown at=%lld", QDateTime::currentMSecsSinceEpoch(),
                      qUtf8Printable(browserFamilyKey(connection.family)),
                      message.value(QLatin1String("at")).toInteger());
            }
        } else if (type == QLatin1String("done")) {
            const auto navigation =
                m_state->navigations.find(message.value(QLatin1String("id")).toInteger());
            if (navigation == m_state->navigations.end() || navigation->second.connection != id) {
                return false;
            }
            navigation->second.answered = true;
            navigation->second.ok = message.value(QLatin1String("ok")).toBool();
            if (logReports()) {
                qInfo("browser-link: %lld %s done ok=%d", QDateTime::currentMSecsSinceEpoch(),
                      qUtf8Printable(browserFamilyKey(connection.family)),
                      navigation->second.ok ? 1 : 0);
            }
            // The tab is on its way there: until the next report, say so, so that the next
            // check does not send it again.
            if (navigation->second.ok && connection.front &&
                connection.front->tabId == navigation->second.tabId) {
                connection.front->url = navigation->second.url;
            }
            m_state->answered.notify_all();
        }
        return changed;
    }

    void drop(quint64 id) {
        const auto peer = m_peers.find(id);
        if (peer == m_peers.end()) {
            return;
        }
        QLocalSocket* socket = peer->second.socket;
        m_peers.erase(peer);
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
        const std::lock_guard lock(m_state->mutex);
        if (const auto found = m_state->connections.find(id); found != m_state->connections.end()) {
            if (found->second.family != BrowserFamily::Unknown) {
                qInfo("Quorel: browser link from %s closed",
                      qUtf8Printable(browserFamilyKey(found->second.family)));
            }
            m_state->connections.erase(found);
        }
        for (auto& [navigationId, navigation] : m_state->navigations) {
            if (navigation.connection == id) {
                navigation.answered = true;
                navigation.ok = false;
            }
        }
        m_state->answered.notify_all();
    }

    std::shared_ptr<LinkState> m_state;
    QLocalServer m_server;
    std::map<quint64, Peer> m_peers;
    quint64 m_lastId = 0;
};

void LinkState::letEverythingGo() {
    for (auto& [peer, connection] : connections) {
        if (connection.held >= 0) {
            post(peer, letGoMessage(connection.held));
            connection.held = -1;
        }
    }
}

void LinkState::post(quint64 peer, const QByteArray& payload) {
    if (LinkServer* target = server) {
        QMetaObject::invokeMethod(
            target, [target, peer, payload] { target->send(peer, payload); }, Qt::QueuedConnection);
    }
}

// The server and its sockets are made, used and destroyed on this thread alone.
class LinkServerThread : public QThread {
public:
    LinkServerThread(std::shared_ptr<LinkState> state, QString path)
        : m_state(std::move(state)), m_path(std::move(path)) {
        setObjectName(QStringLiteral("quorel-browser-link"));
    }

    std::future<bool> listening() { return m_listening.get_future(); }

protected:
    void run() override {
        LinkServer server(m_state);
        const bool ok = server.listen(m_path);
        if (ok) {
            const std::lock_guard lock(m_state->mutex);
            m_state->server = &server;
        }
        m_listening.set_value(ok);
        if (ok) {
            exec();
        }
        const std::lock_guard lock(m_state->mutex);
        m_state->server = nullptr;
    }

private:
    std::shared_ptr<LinkState> m_state;
    QString m_path;
    std::promise<bool> m_listening;
};

ExtensionBrowserLink::ExtensionBrowserLink() : m_state(std::make_shared<LinkState>()) {}

std::unique_ptr<ExtensionBrowserLink> ExtensionBrowserLink::create(const QString& socketPath) {
    std::unique_ptr<ExtensionBrowserLink> link(new ExtensionBrowserLink());
    link->m_thread = std::make_unique<LinkServerThread>(link->m_state, socketPath);
    std::future<bool> listening = link->m_thread->listening();
    link->m_thread->start();
    if (listening.wait_for(startTimeout) != std::future_status::ready || !listening.get()) {
        return nullptr;
    }
    return link;
}

ExtensionBrowserLink::~ExtensionBrowserLink() {
    LinkServer* server = nullptr;
    {
        std::unique_lock lock(m_state->mutex);
        m_state->closing = true;
        m_state->answered.notify_all();
        m_state->answered.wait(lock, [this] { return m_state->waiting == 0; });
        server = m_state->server;
    }
    // What was posted last (the rules as the app quits) leaves before the sockets close.
    if (server != nullptr) {
        QMetaObject::invokeMethod(
            server, [server] { server->flushAll(); }, Qt::BlockingQueuedConnection);
    }
    if (m_thread) {
        m_thread->quit();
        m_thread->wait();
    }
}

void ExtensionBrowserLink::setReplyTimeout(std::chrono::milliseconds timeout) {
    const std::lock_guard lock(m_state->mutex);
    m_state->replyTimeout = timeout;
}

BrowserAnswer ExtensionBrowserLink::readFrontTab(BrowserFamily browser) {
    const std::lock_guard lock(m_state->mutex);
    auto* connection = m_state->frontConnection(browser);
    if (connection == nullptr) {
        return {BrowserAnswer::Status::Refused, {}};
    }
    Connection& link = m_state->connections.at(connection->first);
    link.heldWhenRead = link.held;
    // The first release greets with nothing: it is known by a report that came without it.
    if (link.version != browserLinkVersion && (link.version != 0 || link.front)) {
        BrowserAnswer answer{BrowserAnswer::Status::Refused, {}};
        answer.otherRelease = true;
        return answer;
    }
    // Connected, but no window to report yet; or the window it reported last has lost the
    // focus (to a private window the extension may not see, say), so its tab is not in front.
    BrowserAnswer answer{BrowserAnswer::Status::Failed, {}};
    if (link.front) {
        answer.privateWindowsUnseen = !link.front->privateWindows;
        if (link.front->focused) {
            answer.status = BrowserAnswer::Status::Ok;
            answer.address = link.front->url;
        }
    }
    return answer;
}

BrowserAnswer ExtensionBrowserLink::redirectFrontTab(BrowserFamily browser,
                                                     const BrowserRedirect& target) {
    std::unique_lock lock(m_state->mutex);
    const auto* connection = m_state->frontConnection(browser);
    if (connection == nullptr || connection->second.version != browserLinkVersion) {
        return {BrowserAnswer::Status::Refused, {}};
    }
    if (!connection->second.front || m_state->server == nullptr || m_state->closing) {
        return {BrowserAnswer::Status::Failed, {}};
    }
    const qint64 id = m_state->nextNavigation++;
    const quint64 peer = connection->first;
    const qint64 tabId = connection->second.front->tabId;
    // The extension sends a navigation it holds in that tab to the target itself.
    m_state->connections.at(peer).held = -1;
    // A blocked site goes to the extension's own page, where its rules send it too, so that the
    // tab lands on one page whichever of the two comes first.
    const QString url = target.blockedSite.isEmpty() ? target.address : QString();
    m_state->navigations.emplace(id, Navigation{peer, tabId, url, false, false});
    QJsonObject navigate{
        {QStringLiteral("type"), QStringLiteral("navigate")},
        {QStringLiteral("id"), id},
        {QStringLiteral("tabId"), tabId},
    };
    if (url.isEmpty()) {
        navigate.insert(QStringLiteral("blockedSite"), target.blockedSite);
    } else {
        navigate.insert(QStringLiteral("url"), url);
    }
    m_state->post(peer, QJsonDocument(navigate).toJson(QJsonDocument::Compact));

    ++m_state->waiting;
    const bool answered = m_state->answered.wait_for(lock, m_state->replyTimeout, [&] {
        return m_state->closing || m_state->navigations.at(id).answered;
    });
    const Navigation navigation = m_state->navigations.at(id);
    m_state->navigations.erase(id);
    --m_state->waiting;
    m_state->answered.notify_all();
    if (answered && navigation.answered && navigation.ok) {
        return {BrowserAnswer::Status::Ok, url};
    }
    return {BrowserAnswer::Status::Failed, {}};
}

void ExtensionBrowserLink::setRules(const BrowserRules& rules) {
    const QByteArray message = rulesMessage(rules);
    if (logReports()) {
        qInfo("browser-link: %lld rules sites=%lld adult=%lld until=%lld",
              QDateTime::currentMSecsSinceEpoch(), static_cast<long long>(rules.sites.size()),
              static_cast<long long>(rules.adultSites.size()),
              static_cast<long long>(rules.sitesUntil));
    }
    const std::lock_guard lock(m_state->mutex);
    m_state->rules = message;
    for (const auto& [peer, connection] : m_state->connections) {
        if (connection.version == browserLinkVersion) {
            m_state->post(peer, message);
        }
    }
}

void ExtensionBrowserLink::setFrontTabChangedHandler(std::function<void()> handler) {
    const std::lock_guard lock(m_state->handlerMutex);
    m_state->frontChanged = std::move(handler);
}

void ExtensionBrowserLink::setJudging(bool judging) {
    const std::lock_guard lock(m_state->mutex);
    m_state->judging = judging;
    if (!judging) {
        m_state->letEverythingGo();
    }
}

void ExtensionBrowserLink::letFrontTabLoad(BrowserFamily browser) {
    const std::lock_guard lock(m_state->mutex);
    if (browser == BrowserFamily::Unknown) {
        m_state->letEverythingGo();
        return;
    }
    const auto* front = m_state->frontConnection(browser);
    if (front == nullptr) {
        return;
    }
    Connection& connection = m_state->connections.at(front->first);
    // A navigation held after the read is judged by the read its report set off.
    if (connection.held >= 0 && connection.held == connection.heldWhenRead) {
        m_state->post(front->first, letGoMessage(connection.held));
        connection.held = -1;
    }
}

namespace {
// Whether pid is a process of this machine that runs a browser of the family.
bool runsHere(qint64 pid, BrowserFamily family) {
    return pid > 0 && browserFamilyOfProgram(
                          QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(pid))) == family;
}
}  // namespace

bool ExtensionBrowserLink::guardsBrowser(BrowserFamily browser, qint64 pid) {
    const std::lock_guard lock(m_state->mutex);
    return std::any_of(
        m_state->connections.cbegin(), m_state->connections.cend(), [&](const auto& entry) {
            const Connection& link = entry.second;
            return link.family == browser && browser != BrowserFamily::Unknown &&
                   link.version == browserLinkVersion &&
                   (pid == 0 || link.browserPid == pid || !runsHere(link.browserPid, browser));
        });
}

bool ExtensionBrowserLink::reachesAnyBrowser() {
    const std::lock_guard lock(m_state->mutex);
    return std::any_of(m_state->connections.cbegin(), m_state->connections.cend(),
                       [](const auto& entry) {
                           return entry.second.family != BrowserFamily::Unknown &&
                                  entry.second.version == browserLinkVersion;
                       });
}

}  // namespace Quorel
