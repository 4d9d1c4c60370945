// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "SingleInstance.h"

#include <QLockFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <memory>

using namespace Quorel;
using namespace std::chrono_literals;

namespace {

enum class Before { Nothing, RunningInstance, CleanExit, Crash, SilentLockHolder };

// A socket file nobody listens on, as a killed instance leaves it.
bool leaveDeadSocket(const QString& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray bytes = path.toLocal8Bit();
    std::strncpy(address.sun_path, bytes.constData(), sizeof(address.sun_path) - 1);
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    ::close(fd);
    return bound;
}

// A lock file naming a process that has ended, in QLockFile's layout.
bool leaveDeadLock(const QString& path) {
    QProcess ended;
    ended.start(QStringLiteral("true"), {});
    const qint64 pid = ended.processId();
    if (!ended.waitForFinished()) {
        return false;
    }
    QFile file(path);
    return file.open(QIODevice::WriteOnly) &&
           file.write(QByteArray::number(pid) + "\ntrue\n" + QSysInfo::machineHostName().toUtf8() +
                      '\n') > 0;
}

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
        QTest::newRow("the last one crashed") << Before::Crash << Role::Primary;
        QTest::newRow("lock held, nobody listening")
            << Before::SilentLockHolder << Role::Unreachable;
    }

    void laterLaunchDefersToTheRunningOne() {
        QFETCH(Before, before);
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        std::unique_ptr<SingleInstance> running;
        std::unique_ptr<QLockFile> silent;
        switch (before) {
            case Before::Nothing:
                break;
            case Before::RunningInstance:
            case Before::CleanExit:
                running = std::make_unique<SingleInstance>(folder.path());
                QCOMPARE(running->claim(), SingleInstance::Role::Primary);
                if (before == Before::CleanExit) {
                    running.reset();
                }
                break;
            case Before::Crash:
                QVERIFY(leaveDeadSocket(folder.filePath(QStringLiteral("quorel.socket"))));
                QVERIFY(leaveDeadLock(folder.filePath(QStringLiteral("quorel.lock"))));
                break;
            case Before::SilentLockHolder:
                silent =
                    std::make_unique<QLockFile>(folder.filePath(QStringLiteral("quorel.lock")));
                QVERIFY(silent->tryLock());
                break;
        }
        std::unique_ptr<QSignalSpy> activations;
        if (running) {
            activations =
                std::make_unique<QSignalSpy>(running.get(), &SingleInstance::activationRequested);
        }

        SingleInstance launch(folder.path());
        QTEST(launch.claim(200ms), "role");

        if (activations) {
            QTRY_COMPARE(activations->count(), 1);
        }
    }

    // However a launch names the folder, it meets the running one, and hands over the tokens
    // its launcher gave it.
    void everyNameOfTheFolderMeetsTheRunningOne() {
        QTemporaryDir base;
        const QString folder = base.filePath(QStringLiteral("quorel"));
        const QString link = base.filePath(QStringLiteral("linked"));
        SingleInstance running(folder);
        QCOMPARE(running.claim(), SingleInstance::Role::Primary);
        QVERIFY(QFile::link(folder, link));
        QSignalSpy activations(&running, &SingleInstance::activationRequested);
        qputenv("DESKTOP_STARTUP_ID", "launcher-42_TIME123456");
        qputenv("XDG_ACTIVATION_TOKEN", "bad token\x01");
        const QStringList names{folder + u'/', link, base.path() + QStringLiteral("/./quorel")};
        for (const QString& name : names) {
            SingleInstance launch(name);
            QCOMPARE(launch.claim(200ms), SingleInstance::Role::Secondary);
            QCOMPARE(launch.lockPath(), running.lockPath());
        }
        qunsetenv("DESKTOP_STARTUP_ID");
        qunsetenv("XDG_ACTIVATION_TOKEN");
        QTRY_COMPARE(activations.count(), 3);
        QCOMPARE(activations.first(),
                 (QVariantList{QStringLiteral("launcher-42_TIME123456"), QString()}));
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
