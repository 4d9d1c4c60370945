// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "xdg/XdgAutostart.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Quorel;

namespace {

const QByteArray plainEntry = "[Desktop Entry]\nType=Application\nName=Quorel\nExec=quorel\n";

void writeFile(const QString& path, const QByteArray& contents) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(contents);
}

// What a session would run for the user's entry; empty when it runs nothing.
QStringList sessionStarts(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const auto entry = parseDesktopEntry(QString::fromUtf8(file.readAll()), {}, {});
    return autostartStarts(entry) ? execArguments(entry->exec) : QStringList();
}

QStringList words(std::initializer_list<const char*> list) {
    QStringList out;
    for (const char* word : list) {
        out.append(QString::fromUtf8(word));
    }
    return out;
}

}  // namespace

class TestXdgAutostart : public QObject {
    Q_OBJECT

    QTemporaryDir m_home;
    QString user() const { return m_home.filePath(QStringLiteral("config/autostart")); }
    QString system() const { return m_home.filePath(QStringLiteral("etc/xdg/autostart")); }
    XdgAutostart autostart(const QString& program = QStringLiteral("/opt/quorel/quorel")) const {
        return XdgAutostart(user(), {system()}, autostartCommand(program, {}));
    }

private slots:
    void cleanup() {
        QDir(m_home.path()).removeRecursively();
        QDir().mkpath(m_home.path());
    }

    // Read from the files each time, the way sessions read them: the user's file masks the
    // system's whatever it says.
    void whatTheFilesSay_data() {
        QTest::addColumn<QByteArray>("userFile");
        QTest::addColumn<QByteArray>("systemFile");
        QTest::addColumn<bool>("enabled");

        const QByteArray none;
        QTest::newRow("nothing") << none << none << false;
        QTest::newRow("the user's") << plainEntry << none << true;
        QTest::newRow("the system's") << none << plainEntry << true;
        QTest::newRow("system's hidden by the user") << plainEntry + "Hidden=true\n"
                                                     << plainEntry << false;
        QTest::newRow("switched off in GNOME's settings")
            << plainEntry + "X-GNOME-Autostart-enabled=false\n"
            << none << false;
        QTest::newRow("switched on in GNOME's settings")
            << plainEntry + "X-GNOME-Autostart-enabled=true\n"
            << none << true;
        QTest::newRow("system's hidden at source") << none << plainEntry + "Hidden=true\n" << false;
        QTest::newRow("a broken user file masks the system's")
            << QByteArray("not a desktop file") << plainEntry << false;
        QTest::newRow("nothing to run")
            << QByteArray("[Desktop Entry]\nType=Application\nName=Quorel\n") << none << false;
        QTest::newRow("not an application")
            << QByteArray("[Desktop Entry]\nType=Link\nName=Quorel\nExec=quorel\n") << none
            << false;
    }

    void whatTheFilesSay() {
        QFETCH(QByteArray, userFile);
        QFETCH(QByteArray, systemFile);
        QFETCH(bool, enabled);
        if (!userFile.isEmpty()) {
            writeFile(user() + QStringLiteral("/quorel.desktop"), userFile);
        }
        if (!systemFile.isEmpty()) {
            writeFile(system() + QStringLiteral("/quorel.desktop"), systemFile);
        }
        QCOMPARE(autostart().isEnabled(), enabled);
    }

    // Turned on, the session starts this very program with the login argument, whatever its
    // path holds; turned off, our file is gone and nothing else is touched.
    void onStartsThisProgramAndOffRemovesIt_data() {
        QTest::addColumn<QString>("program");
        QTest::newRow("plain") << QStringLiteral("/opt/quorel/quorel");
        QTest::newRow("spaces") << QStringLiteral("/home/me/Quorel Build/bin/quorel");
        QTest::newRow("quotes, dollar, percent")
            << QStringLiteral("/tmp/it's \"odd\" $HOME 100%/quorel");
        QTest::newRow("backslash and field code") << QStringLiteral("/tmp/a\\b %U/quorel");
    }

    void onStartsThisProgramAndOffRemovesIt() {
        QFETCH(QString, program);
        XdgAutostart entry = autostart(program);
        const QString path = user() + QStringLiteral("/quorel.desktop");

        QCOMPARE(entry.setEnabled(true), QString());
        QVERIFY(entry.isEnabled());
        QCOMPARE(sessionStarts(path), (QStringList{program, QStringLiteral("--login")}));

        QCOMPARE(entry.setEnabled(false), QString());
        QVERIFY(!entry.isEnabled());
        QVERIFY(!QFile::exists(path));
        // Off twice is no error.
        QCOMPARE(entry.setEnabled(false), QString());
    }

    // A system-wide entry cannot be removed by the user: a hidden copy turns it off, and
    // turning on again replaces the copy.
    void offHidesASystemWideEntry() {
        writeFile(system() + QStringLiteral("/quorel.desktop"), plainEntry);
        XdgAutostart entry = autostart();
        QVERIFY(entry.isEnabled());

        QCOMPARE(entry.setEnabled(false), QString());
        QVERIFY(!entry.isEnabled());
        QVERIFY(QFile::exists(system() + QStringLiteral("/quorel.desktop")));

        QCOMPARE(entry.setEnabled(true), QString());
        QVERIFY(entry.isEnabled());
    }

    // Nothing claims success that did not happen, and the answer stays what the files say.
    void failuresAreToldAndChangeNothing() {
        // The folder cannot be made: a file stands where it should be (root or not).
        writeFile(m_home.filePath(QStringLiteral("config")), "a file");
        XdgAutostart blocked = autostart();
        const QString why = blocked.setEnabled(true);
        QVERIFY2(why.contains(QStringLiteral("quorel.desktop")), qPrintable(why));
        QVERIFY(!blocked.isEnabled());
        cleanup();

        // The entry's own name is taken by a folder holding something: neither written nor removed.
        writeFile(user() + QStringLiteral("/quorel.desktop/keep"), "x");
        XdgAutostart taken = autostart();
        QVERIFY(!taken.setEnabled(true).isEmpty());
        QVERIFY(!taken.isEnabled());
        writeFile(system() + QStringLiteral("/quorel.desktop"), plainEntry);
        QVERIFY(!taken.setEnabled(false).isEmpty());
    }

    // The installed program is started by name, so the entry survives the binary moving; any
    // other copy by its own path, the only way to reach it.
    void theCommandNamesTheProgramAsPathFindsIt() {
        const QString installed = m_home.filePath(QStringLiteral("usr/lib/quorel/quorel"));
        const QString onPath = m_home.filePath(QStringLiteral("usr/bin/quorel"));
        writeFile(installed, "#!/bin/sh\n");
        QDir().mkpath(QFileInfo(onPath).path());
        QVERIFY(QFile::link(installed, onPath));
        const QString build = m_home.filePath(QStringLiteral("build/quorel"));
        writeFile(build, "#!/bin/sh\n");

        QCOMPARE(autostartCommand(installed, onPath),
                 (AutostartCommand{QStringLiteral("quorel --login"), QStringLiteral("quorel")}));
        QCOMPARE(autostartCommand(build, onPath),
                 (AutostartCommand{build + QStringLiteral(" --login"), build}));
        QCOMPARE(autostartCommand(build, QString()),
                 (AutostartCommand{build + QStringLiteral(" --login"), build}));
    }

    void execLinesSplitAsSessionsSplitThem_data() {
        QTest::addColumn<QString>("exec");
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("words") << "quorel  --login" << words({"quorel", "--login"});
        QTest::newRow("quoted") << "\"/a b/q\" x" << words({"/a b/q", "x"});
        QTest::newRow("escapes in quotes") << "\"\\$\\`\\\"\\\\\"" << words({"$`\"\\"});
        QTest::newRow("field codes") << "quorel %U %%x %f" << words({"quorel", "%x"});
        QTest::newRow("empty quoted") << "q \"\"" << words({"q", ""});
    }

    void execLinesSplitAsSessionsSplitThem() {
        QFETCH(QString, exec);
        QFETCH(QStringList, arguments);
        QCOMPARE(execArguments(exec), arguments);
    }
};

QTEST_GUILESS_MAIN(TestXdgAutostart)
#include "tst_xdgautostart.moc"
