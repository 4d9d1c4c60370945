// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "SingleInstance.h"

#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstddef>
#include <cstring>
#include <memory>

using namespace Quorel;
using namespace std::chrono_literals;

namespace {

enum class Before { Nothing, RunningInstance, CleanExit, OldFilesLeft, SilentHolder };

// Files an earlier release left in the folder: a lock of a process long gone, unreadable, and a
// socket nobody listens on. Nothing reads them any more.
bool leaveOldFiles(const QString& folder) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(folder + QStringLiteral("/quorel.socket"));
    std::strncpy(address.sun_path, path.constData(), sizeof(address.sun_path) - 1);
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    ::close(fd);
    QFile lock(folder + QStringLiteral("/quorel.lock"));
    return bound && lock.open(QIODevice::WriteOnly) && lock.write("1\nquorel\nhost\n") > 0 &&
           lock.setPermissions({});
}

// Holds the name and never answers, as a Quorel that hangs would.
int holdSilently(const QString& name) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray bytes = name.toLatin1();
    std::memcpy(address.sun_path + 1, bytes.constData(), size_t(bytes.size()));
    const auto length = socklen_t(offsetof(sockaddr_un, sun_path) + 1 + size_t(bytes.size()));
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 || ::listen(fd, 4) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// A running instance answering from an event loop of its own, as another process would; what it
// is asked arrives here.
class RunningElsewhere {
public:
    explicit RunningElsewhere(const QString& folder) : instance(new SingleInstance(folder)) {
        primary = instance->claim() == SingleInstance::Role::Primary;
        QObject::connect(instance, &SingleInstance::activationRequested, &here,
                         [this](const QString& startupId, const QString& token) {
                             activations.append(QVariantList{startupId, token});
                         });
        instance->moveToThread(&thread);
        thread.start();
    }
    ~RunningElsewhere() {
        QMetaObject::invokeMethod(
            instance, [this] { instance->moveToThread(here.thread()); },
            Qt::BlockingQueuedConnection);
        thread.quit();
        thread.wait();
        delete instance;
    }
    QString serverName() const { return instance->serverName(); }

    bool primary = false;
    QList<QVariantList> activations;

private:
    QObject here;
    QThread thread;
    SingleInstance* instance;
};

}  // namespace

Q_DECLARE_METATYPE(Before)
Q_DECLARE_METATYPE(SingleInstance::Role)

class TestSingleInstance : public QObject {
    Q_OBJECT

private slots:
    void laterLaunchDefersToTheRunningOne_data() {
        QTest::addColumn<Before>("before");
        QTest::addColumn<SingleInstance::Role>("role");

        using Role = SingleInstance::Role;
        QTest::newRow("first launch") << Before::Nothing << Role::Primary;
        QTest::newRow("one running") << Before::RunningInstance << Role::Secondary;
        QTest::newRow("the last one quit") << Before::CleanExit << Role::Primary;
        QTest::newRow("an earlier release's files left") << Before::OldFilesLeft << Role::Primary;
        QTest::newRow("one running that does not answer")
            << Before::SilentHolder << Role::Unreachable;
    }

    void laterLaunchDefersToTheRunningOne() {
        QFETCH(Before, before);
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        std::unique_ptr<RunningElsewhere> running;
        int silent = -1;
        switch (before) {
            case Before::Nothing:
                break;
            case Before::RunningInstance:
            case Before::CleanExit:
                running = std::make_unique<RunningElsewhere>(folder.path());
                QVERIFY(running->primary);
                if (before == Before::CleanExit) {
                    running.reset();
                }
                break;
            case Before::OldFilesLeft:
                QVERIFY(leaveOldFiles(folder.path()));
                break;
            case Before::SilentHolder:
                silent = holdSilently(SingleInstance(folder.path()).serverName());
                QVERIFY(silent >= 0);
                break;
        }
        SingleInstance launch(folder.path());
        QTEST(launch.claim(200ms), "role");
        if (silent >= 0) {
            ::close(silent);
        }

        if (running) {
            QTRY_COMPARE(running->activations.size(), 1);
        }
    }

    // However a launch names the folder, it meets the running one, and hands over the tokens
    // its launcher gave it.
    void everyNameOfTheFolderMeetsTheRunningOne() {
        QTemporaryDir base;
        const QString folder = base.filePath(QStringLiteral("quorel"));
        const QString link = base.filePath(QStringLiteral("linked"));
        RunningElsewhere running(folder);
        QVERIFY(running.primary);
        QVERIFY(QFile::link(folder, link));
        const QList<QVariantList>& activations = running.activations;
        qputenv("DESKTOP_STARTUP_ID", "launcher-42_TIME123456");
        qputenv("XDG_ACTIVATION_TOKEN", "bad token\x01");
        const QStringList names{folder + u'/', link, base.path() + QStringLiteral("/./quorel")};
        for (const QString& name : names) {
            SingleInstance launch(name);
            QCOMPARE(launch.claim(200ms), SingleInstance::Role::Secondary);
            QCOMPARE(launch.serverName(), running.serverName());
        }
        qunsetenv("DESKTOP_STARTUP_ID");
        qunsetenv("XDG_ACTIVATION_TOKEN");
        QTRY_COMPARE(activations.size(), 3);
        QCOMPARE(activations.first(),
                 (QVariantList{QStringLiteral("launcher-42_TIME123456"), QString()}));

        // Written straight to the socket: a token with a control character or over 512
        // characters is dropped, and a space ends one.
        QLocalSocket raw;
        raw.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
        raw.connectToServer(running.serverName());
        QVERIFY(raw.waitForConnected());
        raw.write("activate startup-id=a\x01b activation-token=" + QByteArray(513, 'x') +
                  "\nactivate startup-id=one two\n");
        QTRY_COMPARE(activations.size(), 5);
        QCOMPARE(activations.at(3), (QVariantList{QString(), QString()}));
        QCOMPARE(activations.at(4), (QVariantList{QStringLiteral("one"), QString()}));
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
