// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The sway adapter against a scripted peer on a socket of the test's own: what it reports,
// and what it does when the peer misbehaves. The real compositor: sway_blocks_apps.sh.
#include "wayland/sway/SwayIpc.h"
#include "wayland/sway/SwayWorkspace.h"
#include "xdg/DesktopEntries.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMutex>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <atomic>

using namespace Quorel;

namespace {

enum class Peer { Sway, Silent, Garbage };

// Answers like sway from a thread of its own (the adapter waits for replies on the main one).
class FakeSway : public QObject {
public:
    FakeSway(QString path, Peer peer, QByteArray tree)
        : m_path(std::move(path)), m_peer(peer), m_tree(std::move(tree)) {}

    // On the peer's thread, so that its sockets live there.
    void listen() {
        m_server = new QLocalServer(this);
        m_server->listen(m_path);
        connect(m_server, &QLocalServer::newConnection, this, [this] {
            while (QLocalSocket* client = m_server->nextPendingConnection()) {
                connect(client, &QLocalSocket::readyRead, this, [this, client] { answer(client); });
            }
        });
    }

    // Sends window events to every subscribed connection, in one write.
    void sendEvent(const QByteArray& json) { sendEvents({json}); }
    void sendEvents(const QByteArrayList& events) {
        QMetaObject::invokeMethod(this, [this, events] {
            QByteArray frames;
            for (const QByteArray& json : events) {
                frames += SwayIpc::encode(SwayIpc::windowEvent, json);
            }
            for (QLocalSocket* client : std::as_const(m_subscribed)) {
                client->write(frames);
            }
        });
    }

    std::atomic<int> treeDelayMs = 0;

    QByteArrayList commands() {
        const QMutexLocker lock(&m_mutex);
        return m_commands;
    }

    // As a restarting sway does: every connection closes, and none is taken while it is down.
    void restart(int downMs) {
        QMetaObject::invokeMethod(this, [this, downMs] {
            m_server->close();
            m_subscribed.clear();
            m_buffers.clear();
            for (QLocalSocket* client : m_server->findChildren<QLocalSocket*>()) {
                client->abort();
                client->deleteLater();
            }
            QTimer::singleShot(downMs, this, [this] { m_server->listen(m_path); });
        });
    }

private:
    void answer(QLocalSocket* client) {
        if (m_peer == Peer::Silent) {
            client->readAll();
            return;
        }
        if (m_peer == Peer::Garbage) {
            client->readAll();
            client->write("HTTP/1.1 400 Bad Request\r\n\r\n");
            return;
        }
        QByteArray& buffer = m_buffers[client];
        buffer.append(client->readAll());
        SwayIpc::Frame frame;
        while (SwayIpc::takeFrame(buffer, frame) == SwayIpc::Take::Frame) {
            QByteArray reply = QByteArrayLiteral(R"({"success": true})");
            if (frame.type == SwayIpc::Subscribe) {
                m_subscribed.append(client);
            } else if (frame.type == SwayIpc::GetTree && treeDelayMs > 0) {
                // A busy sway: the tree comes, but later than anyone waits.
                QTimer::singleShot(treeDelayMs.load(), client,
                                   [client, type = frame.type, tree = m_tree] {
                                       client->write(SwayIpc::encode(type, tree));
                                   });
                continue;
            } else if (frame.type == SwayIpc::GetTree) {
                reply = m_tree;
            } else if (frame.type == SwayIpc::RunCommand) {
                const QMutexLocker lock(&m_mutex);
                m_commands.append(frame.payload);
                reply = QByteArrayLiteral(R"([{"success": true}])");
            }
            client->write(SwayIpc::encode(frame.type, reply));
        }
    }

    QString m_path;
    QLocalServer* m_server = nullptr;
    Peer m_peer;
    QByteArray m_tree;
    QHash<QLocalSocket*, QByteArray> m_buffers;
    QList<QLocalSocket*> m_subscribed;
    QMutex m_mutex;
    QByteArrayList m_commands;
};

QByteArray view(int id, const char* appId, int pid, bool focused = false) {
    return QStringLiteral(R"({"id": %1, "type": "con", "shell": "xdg_shell", "app_id": "%2",
        "pid": %3, "focused": %4, "visible": true, "nodes": [], "floating_nodes": []})")
        .arg(id)
        .arg(QLatin1String(appId))
        .arg(pid)
        .arg(focused ? QLatin1String("true") : QLatin1String("false"))
        .toUtf8();
}

QByteArray xwaylandView(int id, const char* wmClass, int pid, const char* type) {
    return QStringLiteral(R"({"id": %1, "type": "con", "shell": "xwayland", "app_id": null,
        "pid": %2, "focused": false, "window_properties": {"class": "%3", "instance": "x",
        "window_type": "%4"}, "nodes": [], "floating_nodes": []})")
        .arg(id)
        .arg(pid)
        .arg(QLatin1String(wmClass), QLatin1String(type))
        .toUtf8();
}

QByteArray treeOf(const QByteArrayList& views) {
    return QByteArrayLiteral(R"({"id": 1, "type": "root", "focused": false, "nodes": [
        {"id": 2, "type": "workspace", "name": "1", "focused": false, "nodes": [)") +
           views.join(',') + QByteArrayLiteral(R"(], "floating_nodes": []}]})");
}

QByteArray focusEvent(const QByteArray& container) {
    return QByteArrayLiteral(R"({"change": "focus", "container": )") + container + '}';
}

// Runs the peer on its own thread for the lifetime of a test.
struct Harness {
    QTemporaryDir dir;
    QThread thread;
    FakeSway* sway = nullptr;
    DesktopEntries entries{QStringList(), QStringList()};

    Harness(Peer peer, const QByteArray& tree) {
        sway = new FakeSway(path(), peer, tree);
        sway->moveToThread(&thread);
        QObject::connect(&thread, &QThread::finished, sway, &QObject::deleteLater);
        thread.start();
        QMetaObject::invokeMethod(sway, &FakeSway::listen, Qt::BlockingQueuedConnection);
    }
    ~Harness() {
        thread.quit();
        thread.wait();
    }
    QString path() const { return dir.filePath(QStringLiteral("sway.sock")); }
};

}  // namespace

class TestSwayWorkspace : public QObject {
    Q_OBJECT

private slots:
    void reportsEachApplicationOnceAsItComesToTheFront() {
        const QByteArray foot = view(10, "foot", 100, true);
        Harness h(Peer::Sway, treeOf({foot, view(11, "kate", 200)}));
        auto workspace = SwayWorkspace::connectTo(h.entries, h.path());
        QVERIFY(workspace);
        QCOMPARE(workspace->frontmostApplicationName(), QStringLiteral("foot"));

        QStringList reported;
        workspace->setActivationHandler(
            [&reported](const RunningApplication& app) { reported << app.name; });
        // Another window of the one in front, a title change, then another application.
        h.sway->sendEvent(focusEvent(view(12, "foot", 100, true)));
        h.sway->sendEvent(QByteArrayLiteral(R"({"change": "title", "container": )") +
                          view(12, "foot", 100, true) + '}');
        h.sway->sendEvent(focusEvent(view(11, "kate", 200, true)));
        QTRY_COMPARE(reported, QStringList{QStringLiteral("kate")});
        QCOMPARE(workspace->frontmostApplication()->key, QStringLiteral("pid:200:kate"));

        // Hidden, it is news when it comes back.
        workspace->hide(*workspace->frontmostApplication());
        QVERIFY(!workspace->frontmostApplication());
        QTRY_COMPARE(h.sway->commands(),
                     QByteArrayList{R"([pid=200 app_id="^kate$"] move scratchpad)"});
        h.sway->sendEvent(focusEvent(view(11, "kate", 200, true)));
        QTRY_COMPARE(reported.size(), 2);

        // One batch that brings kate up and foot after it: kate is judged too, not only the
        // last one in front ("scratchpad show" then a focus elsewhere, in one command).
        reported.clear();
        h.sway->sendEvents({focusEvent(view(12, "foot", 100, true)),
                            focusEvent(view(11, "kate", 200, true)),
                            focusEvent(view(12, "foot", 100, true))});
        QTRY_COMPARE(reported, (QStringList{QStringLiteral("foot"), QStringLiteral("kate")}));
        QCOMPARE(workspace->frontmostApplicationName(), QStringLiteral("foot"));
    }

    void groupsWindowsIntoApplications() {
        Harness h(Peer::Sway,
                  treeOf({view(10, "foot", 100), view(11, "foot", 100), view(12, "foot", 101),
                          xwaylandView(13, "XTerm", 300, "utility"),
                          xwaylandView(14, "XTerm", 300, "normal"),
                          view(15, "quorel", int(QCoreApplication::applicationPid()))}));
        auto workspace = SwayWorkspace::connectTo(h.entries, h.path());
        QVERIFY(workspace);
        QVERIFY(!workspace->frontmostApplication());
        const QList<RunningApplication> apps = workspace->runningApplications();
        QStringList keys;
        for (const RunningApplication& app : apps) {
            keys << app.key;
        }
        QCOMPARE(keys,
                 (QStringList{u"pid:100:foot"_qs, u"pid:101:foot"_qs, u"pid:300:XTerm"_qs,
                              u"pid:"_qs + QString::number(QCoreApplication::applicationPid()) +
                                  u":quorel"_qs}));
        QVERIFY(apps[2].isRegular);  // through its normal window, though a utility came first
        QVERIFY(apps[3].isThisProgram);
        QCOMPARE(apps[3].name, u"Quorel"_qs);
        QVERIFY(!apps[0].isThisProgram);
    }

    // A sway too busy for the bounded wait: its tree comes later, and the sweep runs again.
    void aLateTreeIsSweptWhenItArrives() {
        Harness h(Peer::Sway, treeOf({view(10, "foot", 100, true)}));
        auto workspace = SwayWorkspace::connectTo(h.entries, h.path());
        QVERIFY(workspace);
        QStringList swept;
        workspace->setChannelRestoredHandler([&swept, &workspace] {
            for (const RunningApplication& app : workspace->runningApplications()) {
                swept << app.key;
            }
        });
        h.sway->treeDelayMs = 200;
        QVERIFY(workspace->runningApplications().isEmpty());
        QTRY_COMPARE(swept, QStringList{u"pid:100:foot"_qs});
        h.sway->treeDelayMs = 0;
        QCOMPARE(workspace->runningApplications().size(), 1);
    }

    void aClosedConnectionIsOpenedAgainAndSaysSoMeanwhile() {
        Harness h(Peer::Sway, treeOf({view(10, "foot", 100, true)}));
        auto workspace = SwayWorkspace::connectTo(h.entries, h.path());
        QVERIFY(workspace);
        int restored = 0;
        workspace->setChannelRestoredHandler([&restored] { ++restored; });
        QStringList reported;
        workspace->setActivationHandler(
            [&reported](const RunningApplication& app) { reported << app.name; });
        QVERIFY(workspace->limitation().isEmpty());

        h.sway->restart(600);
        QTRY_VERIFY(!workspace->limitation().isEmpty());
        QVERIFY(!workspace->frontmostApplication());
        QCOMPARE(restored, 0);
        QTRY_VERIFY_WITH_TIMEOUT(workspace->limitation().isEmpty(), 5000);
        QCOMPARE(restored, 1);
        // The window in front is news again, and events flow on the new connection.
        QCOMPARE(reported, QStringList{QStringLiteral("foot")});
        h.sway->sendEvent(focusEvent(view(11, "kate", 200, true)));
        QTRY_COMPARE(reported.size(), 2);
    }

    void aPeerThatIsNotSwayOrDoesNotAnswerIsNotUsed_data() {
        QTest::addColumn<int>("peer");
        QTest::newRow("silent") << int(Peer::Silent);
        QTest::newRow("garbage") << int(Peer::Garbage);
    }

    void aPeerThatIsNotSwayOrDoesNotAnswerIsNotUsed() {
        QFETCH(int, peer);
        Harness h(Peer(peer), {});
        QElapsedTimer timer;
        timer.start();
        QVERIFY(!SwayWorkspace::connectTo(h.entries, h.path()));
        QVERIFY2(timer.elapsed() < 3000, "waited too long for a peer that does not answer");
    }

    void noSocketIsNoWorkspace() {
        DesktopEntries entries{QStringList(), QStringList()};
        QVERIFY(!SwayWorkspace::connectTo(entries, u"/nonexistent/sway.sock"_qs));
    }
};

QTEST_GUILESS_MAIN(TestSwayWorkspace)
#include "tst_swayworkspace.moc"
