// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "browser/CdpEndpoints.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Quorel;
using namespace Qt::StringLiterals;

namespace {
// A made-up /proc and ~/.config; "@" in a command line stands for the tree's folder.
struct FakeMachine {
    QTemporaryDir dir;

    QString proc() const { return dir.filePath(QStringLiteral("proc")); }
    QString config() const { return dir.filePath(QStringLiteral("config")); }

    // Replaces a process of the same id the way the kernel does: a new folder, a new inode.
    void addProcess(int pid, const QStringList& args, const QString& exe = {},
                    quint64 started = 0) const {
        const QString folder = proc() + u"/new"_s;
        QDir().mkpath(folder);
        QByteArray commandLine;
        for (const QString& arg : args) {
            commandLine += QString(arg).replace(QLatin1Char('@'), dir.path()).toUtf8() + '\0';
        }
        write(folder + QLatin1String("/cmdline"), commandLine);
        if (!exe.isEmpty()) {
            QFile::link(exe, folder + QLatin1String("/exe"));
        }
        if (started != 0) {
            // The name is free text, parentheses and blanks included.
            write(folder + u"/stat"_s, QByteArray::number(pid) + " (a) (b) S" +
                                           QByteArray(" 0").repeated(18) + ' ' +
                                           QByteArray::number(started) + " 0 0\n");
        }
        removeProcess(pid);
        QDir().rename(folder, proc() + QLatin1Char('/') + QString::number(pid));
    }
    void removeProcess(int pid) const {
        QDir(proc() + QLatin1Char('/') + QString::number(pid)).removeRecursively();
    }
    void addFile(const QString& relative, const QByteArray& content) const {
        write(dir.filePath(relative), content);
    }
    static void write(const QString& path, const QByteArray& content) {
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
};
}  // namespace

class TestCdpEndpoints : public QObject {
    Q_OBJECT

private slots:
    void findsTheFamilysEndpoints_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("exe");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("browser");
        QTest::addColumn<QList<quint16>>("expected");

        const QString chromium = QStringLiteral("chromium");
        const QByteArray portFile("40123\n/devtools/browser/5e1f\n");
        QTest::newRow("port on the command line")
            << QStringList{u"/usr/lib/chromium/chromium"_s, u"--remote-debugging-port=9222"_s}
            << QString() << QString() << QByteArray() << chromium << QList<quint16>{9222};
        QTest::newRow("port 0, then the dedicated profile's port file")
            << QStringList{u"chromium"_s, u"--remote-debugging-port=0"_s,
                           u"--user-data-dir=@/profile"_s}
            << QString() << u"profile/DevToolsActivePort"_s << portFile << chromium
            << QList<quint16>{40123};
        QTest::newRow("debugging switched on later, default profile")
            << QStringList{u"/opt/google/chrome/chrome"_s} << QString()
            << u"config/google-chrome/DevToolsActivePort"_s << portFile << u"chrome"_s
            << QList<quint16>{40123};
        QTest::newRow("known only by its executable")
            << QStringList{u"launcher"_s, u"--remote-debugging-port=9444"_s}
            << u"/opt/microsoft/msedge/msedge"_s << QString() << QByteArray() << u"edge"_s
            << QList<quint16>{9444};
        QTest::newRow("executable replaced by an upgrade")
            << QStringList{u"launcher"_s, u"--remote-debugging-port=9444"_s}
            << u"/usr/lib/chromium/chromium (deleted)"_s << QString() << QByteArray() << chromium
            << QList<quint16>{9444};
        QTest::newRow("another family")
            << QStringList{u"/opt/brave.com/brave/brave"_s, u"--remote-debugging-port=9222"_s}
            << QString() << QString() << QByteArray() << u"chrome"_s << QList<quint16>{};
        QTest::newRow("Firefox is not reached this way")
            << QStringList{u"firefox-esr"_s, u"--remote-debugging-port=9222"_s} << QString()
            << QString() << QByteArray() << u"firefox"_s << QList<quint16>{};
        QTest::newRow("non-numeric port")
            << QStringList{u"chromium"_s, u"--remote-debugging-port=92x2"_s} << QString()
            << QString() << QByteArray() << chromium << QList<quint16>{};
        QTest::newRow("port file that names no port")
            << QStringList{u"chromium"_s, u"--remote-debugging-port=0"_s} << QString()
            << u"config/chromium/DevToolsActivePort"_s << QByteArray("port\n") << chromium
            << QList<quint16>{};
        QTest::newRow("port file left behind, only a zygote running")
            << QStringList{u"/usr/lib/chromium/chromium --type=zygote"_s} << QString()
            << u"config/chromium/DevToolsActivePort"_s << portFile << chromium << QList<quint16>{};
    }

    void findsTheFamilysEndpoints() {
        QFETCH(QStringList, args);
        QFETCH(QString, exe);
        QFETCH(QString, file);
        QFETCH(QByteArray, content);
        QFETCH(QString, browser);
        QFETCH(QList<quint16>, expected);

        FakeMachine machine;
        machine.addProcess(1, {u"/sbin/init"_s});
        machine.addProcess(4242, args, exe);
        if (!file.isEmpty()) {
            machine.addFile(file, content);
        }
        CdpEndpoints endpoints(machine.proc(), machine.config());
        QCOMPARE(endpoints.ports(browserFamilyFromKey(browser)), expected);
    }

    void followsBrowsersThatStartEndAndReuseAnId() {
        FakeMachine machine;
        machine.addProcess(100, {u"chromium"_s});
        CdpEndpoints endpoints(machine.proc(), machine.config());
        QCOMPARE(endpoints.ports(BrowserFamily::Chromium), QList<quint16>{});

        // A dedicated profile whose file repeats its port, and the default profile's own.
        machine.addProcess(
            200,
            {u"chromium"_s, u"--remote-debugging-port=9222"_s, u"--user-data-dir=@/dedicated"_s},
            {}, 5000);
        machine.addFile(u"dedicated/DevToolsActivePort"_s, "9222\n");
        machine.addFile(u"config/chromium/DevToolsActivePort"_s, "9300");
        QCOMPARE(endpoints.ports(BrowserFamily::Chromium), (QList<quint16>{9222, 9300}));

        // The id comes round again, for a browser started after the other one.
        machine.addProcess(100, {u"chromium"_s, u"--remote-debugging-port=9555"_s}, {}, 9000);
        QCOMPARE(endpoints.ports(BrowserFamily::Chromium), (QList<quint16>{9555, 9300, 9222}));
        // One browser's alone, for whether that one is guarded.
        QCOMPARE(endpoints.ports(BrowserFamily::Chromium, 200), QList<quint16>{9222});
        QCOMPARE(endpoints.ports(BrowserFamily::Chromium, 100), (QList<quint16>{9555, 9300}));

        machine.removeProcess(200);
        machine.removeProcess(100);
        QCOMPARE(endpoints.ports(BrowserFamily::Chromium), QList<quint16>{});
    }
};

QTEST_GUILESS_MAIN(TestCdpEndpoints)
#include "tst_cdpendpoints.moc"
