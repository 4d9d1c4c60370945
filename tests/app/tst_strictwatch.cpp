// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The strict focus watcher as a real process: it wakes what it watches from a stop, starts it
// again after a kill while the desktop is there, and lets go when told; the app's side keeps the
// watcher itself running and awake.
#include "StrictWatch.h"

#include <QFile>
#include <QLocalServer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <signal.h>
#include <unistd.h>

using namespace Quorel;
using namespace Qt::StringLiterals;

namespace {
bool isStopped(qint64 pid) {
    QFile stat(u"/proc/%1/stat"_s.arg(pid));
    return stat.open(QIODevice::ReadOnly) && stat.readAll().contains(") T ");
}
bool isAlive(qint64 pid) {
    return ::kill(static_cast<pid_t>(pid), 0) == 0;
}
}  // namespace

class TestStrictWatch : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QLocalServer desktop;  // stands for the display server: the watcher only connects to it
    QString marker() const { return dir.filePath(u"started-again"_s); }

    // A process to watch, and the watcher over it, whose restart writes the marker.
    struct Watched {
        QProcess victim;
        QProcess watcher;
    };
    void watch(Watched& w, const QString& display) {
        w.victim.start(u"sleep"_s, {u"60"_s});
        QVERIFY(w.victim.waitForStarted());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"WAYLAND_DISPLAY"_s, display);
        w.watcher.setProcessEnvironment(env);
        w.watcher.start(QStringLiteral(QUOREL_WATCH_PROGRAM),
                        {QString::number(w.victim.processId()), u"/bin/sh"_s, u"-c"_s,
                         u"echo again > '%1'"_s.arg(marker())});
        QVERIFY(w.watcher.waitForStarted());
    }

private slots:
    void initTestCase() { QVERIFY(desktop.listen(dir.filePath(u"display"_s))); }
    void init() { QFile::remove(marker()); }

    void wakesAStopAndStartsAgainAfterAKill() {
        Watched w;
        watch(w, desktop.fullServerName());
        ::kill(static_cast<pid_t>(w.victim.processId()), SIGSTOP);
        QTRY_VERIFY(isStopped(w.victim.processId()));
        QTRY_VERIFY_WITH_TIMEOUT(!isStopped(w.victim.processId()), 3000);
        w.victim.kill();
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(marker()), 5000);
        QTRY_COMPARE(w.watcher.state(), QProcess::NotRunning);
    }

    void nothingStartsAgainOnceReleasedOrWithTheDesktopGone() {
        Watched released;
        watch(released, desktop.fullServerName());
        released.watcher.write("end\n");
        QVERIFY(released.watcher.waitForFinished());
        released.victim.kill();
        released.victim.waitForFinished();

        Watched desktopGone;
        watch(desktopGone, dir.filePath(u"no-display"_s));
        desktopGone.victim.kill();
        desktopGone.victim.waitForFinished();
        QVERIFY(desktopGone.watcher.waitForFinished(5000));
        QVERIFY(!QFile::exists(marker()));
    }

    // Our side: held, a watcher runs; stopped it is woken, killed it comes back; released it
    // ends by itself.
    void theAppKeepsItsWatcher() {
        StrictWatch strict(QStringLiteral(QUOREL_WATCH_PROGRAM), {u"/bin/true"_s});
        strict.setHeld(true);
        const pid_t first = strict.watcherPid();
        QVERIFY(first > 0);
        ::kill(first, SIGSTOP);
        QTRY_VERIFY(isStopped(first));
        strict.wakeWatcherIfStopped();
        QTRY_VERIFY(!isStopped(first));
        ::kill(first, SIGKILL);
        QTRY_VERIFY(strict.watcherPid() > 0 && strict.watcherPid() != first);
        const pid_t second = strict.watcherPid();
        strict.setHeld(false);
        QTRY_COMPARE(strict.watcherPid(), 0);
        QVERIFY(!isAlive(second));
    }
};

QTEST_GUILESS_MAIN(TestStrictWatch)
#include "tst_strictwatch.moc"
