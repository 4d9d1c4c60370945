// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "xdg/DesktopEntries.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Quorel;
using namespace Qt::StringLiterals;

namespace {

using Files = QMap<QString, QString>;  // path below the folder -> contents

QString entry(const QString& name, const QString& extra = {}) {
    return u"[Desktop Entry]\nType=Application\nName=" + name + u'\n' + extra;
}

void writeFiles(const QString& folder, const Files& files) {
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        const QString path = folder + u'/' + it.key();
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(it.value().toUtf8());
    }
}

// What a window is called; "" stands for no name at all.
QString nameOf(DesktopEntries& entries, const WindowIdentity& window) {
    const std::optional<ResolvedApplication> resolved = entries.resolve(window);
    return resolved ? resolved->name : QString();
}

}  // namespace

class TestDesktopEntries : public QObject {
    Q_OBJECT

private slots:
    void windowIsNamedByTheFirstRuleThatMatches_data() {
        QTest::addColumn<QString>("wmClass");
        QTest::addColumn<QString>("wmInstance");
        QTest::addColumn<QString>("executable");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("desktopId");

        QTest::newRow("StartupWMClass in any case") << "exampleEDITOR"
                                                    << "editor"
                                                    << ""
                                                    << "Editor"
                                                    << "org.example.Editor.desktop";
        QTest::newRow("StartupWMClass before the id of the instance")
            << "ExampleEditor"
            << "gamma"
            << ""
            << "Editor"
            << "org.example.Editor.desktop";
        QTest::newRow("StartupWMClass never on the instance") << "Other"
                                                              << "ExampleEditor"
                                                              << ""
                                                              << "Other"
                                                              << "";
        QTest::newRow("id = lowered class") << "Gamma"
                                            << "x"
                                            << ""
                                            << "Gamma Viewer"
                                            << "gamma.desktop";
        QTest::newRow("id = instance") << "Gamma-app"
                                       << "gamma"
                                       << ""
                                       << "Gamma Viewer"
                                       << "gamma.desktop";
        QTest::newRow("id by class before id by instance (profile in the instance)")
            << "Browser"
            << "gamma"
            << ""
            << "Browser"
            << "browser.desktop";
        QTest::newRow("executable by base name, visible entry before NoDisplay")
            << "Unknown"
            << "unknown"
            << "/usr/lib/gamma/gamma-viewer"
            << "Gamma Viewer"
            << "gamma.desktop";
        QTest::newRow("executable replaced by an upgrade")
            << "Unknown"
            << "unknown"
            << "/usr/lib/gamma/gamma-viewer (deleted)"
            << "Gamma Viewer"
            << "gamma.desktop";
        QTest::newRow("executable behind env and quotes") << "Unknown"
                                                          << "unknown"
                                                          << "/opt/term app/term"
                                                          << "Term"
                                                          << "term.desktop";
        QTest::newRow("executable by TryExec") << ""
                                               << ""
                                               << "/usr/bin/real-tool"
                                               << "Tool"
                                               << "tool.desktop";
        QTest::newRow("NoDisplay entry when it is the only match") << "SettingsHelper"
                                                                   << ""
                                                                   << ""
                                                                   << "Settings Helper"
                                                                   << "helper.desktop";
        QTest::newRow("terminal programs have no windows of their own") << "Unknown"
                                                                        << "unknown"
                                                                        << "/usr/bin/top"
                                                                        << "Unknown"
                                                                        << "";
        QTest::newRow("an interpreter names no window") << "Unknown"
                                                        << "unknown"
                                                        << "/usr/bin/python3.11"
                                                        << "Unknown"
                                                        << "";
        QTest::newRow("nothing matches: the class") << "Unknown"
                                                    << "unknown"
                                                    << "/usr/bin/unknown"
                                                    << "Unknown"
                                                    << "";
        QTest::newRow("no class: the program") << ""
                                               << ""
                                               << "/usr/bin/unknown (deleted)"
                                               << "unknown"
                                               << "";
        QTest::newRow("nothing to go on") << ""
                                          << ""
                                          << ""
                                          << ""
                                          << "";
    }

    void windowIsNamedByTheFirstRuleThatMatches() {
        QFETCH(QString, wmClass);
        QFETCH(QString, wmInstance);
        QFETCH(QString, executable);
        QFETCH(QString, name);
        QFETCH(QString, desktopId);

        QTemporaryDir dir;
        writeFiles(
            dir.path(),
            {
                {u"a-gamma-handler.desktop"_s,
                 entry(u"Gamma URL Handler"_s, u"Exec=gamma-viewer %u\nNoDisplay=true"_s)},
                {u"browser.desktop"_s, entry(u"Browser"_s, u"Categories=Network;WebBrowser;"_s)},
                {u"gamma.desktop"_s, entry(u"Gamma Viewer"_s, u"Exec=gamma-viewer %F"_s)},
                {u"helper.desktop"_s,
                 entry(u"Settings Helper"_s, u"NoDisplay=true\nStartupWMClass=SettingsHelper"_s)},
                {u"org.example.Editor.desktop"_s,
                 entry(u"Editor"_s, u"StartupWMClass=ExampleEditor\nExec=/opt/editor/editor"_s)},
                {u"script.desktop"_s, entry(u"Script"_s, u"Exec=python3.11 /usr/share/s.py"_s)},
                {u"term.desktop"_s,
                 entry(u"Term"_s, u"Exec=env A=1 B=2 \"/opt/term app/term\" --new"_s)},
                {u"tool.desktop"_s, entry(u"Tool"_s, u"Exec=tool-wrapper %f\nTryExec=real-tool"_s)},
                {u"top.desktop"_s, entry(u"Top"_s, u"Exec=top\nTerminal=true"_s)},
            });
        DesktopEntries entries({dir.path()}, {});

        const std::optional<ResolvedApplication> resolved =
            entries.resolve(WindowIdentity{wmClass, wmInstance, executable});
        QCOMPARE(resolved ? resolved->name : QString(), name);
        QCOMPARE(resolved ? resolved->desktopId : QString(), desktopId);
        // Filed under web browsers by its entry: guarded websites depend on it.
        QCOMPARE(resolved && resolved->webBrowser, name == u"Browser");
    }

    void earlierFoldersWinAndSubfoldersJoinTheId_data() {
        QTest::addColumn<Files>("home");
        QTest::addColumn<Files>("system");
        QTest::addColumn<QString>("wmClass");
        QTest::addColumn<QString>("name");

        const Files systemApp{{u"app.desktop"_s, entry(u"System App"_s)}};
        QTest::newRow("only the system has it") << Files{} << systemApp << "app"
                                                << "System App";
        QTest::newRow("home overrides the same id")
            << Files{{u"app.desktop"_s, entry(u"Home App"_s)}} << systemApp << "app"
            << "Home App";
        QTest::newRow("Hidden in home deletes the system entry")
            << Files{{u"app.desktop"_s, u"[Desktop Entry]\nHidden=true\n"_s}} << systemApp << "App"
            << "App";
        QTest::newRow("a broken file in home masks nothing")
            << Files{{u"app.desktop"_s, u"Name=Broken\n"_s}} << systemApp << "app"
            << "System App";
        QTest::newRow("a link entry is no application")
            << Files{{u"app.desktop"_s, u"[Desktop Entry]\nType=Link\nName=Link\n"_s}} << systemApp
            << "App"
            << "App";
        QTest::newRow("subfolder joins the id with '-'")
            << Files{} << Files{{u"vendor/tool.desktop"_s, entry(u"Vendor Tool"_s)}}
            << "vendor-tool"
            << "Vendor Tool";
    }

    void earlierFoldersWinAndSubfoldersJoinTheId() {
        QFETCH(Files, home);
        QFETCH(Files, system);
        QFETCH(QString, wmClass);
        QFETCH(QString, name);

        QTemporaryDir dir;
        writeFiles(dir.filePath(u"home"_s), home);
        writeFiles(dir.filePath(u"system"_s), system);
        DesktopEntries entries({dir.filePath(u"home"_s), dir.filePath(u"system"_s)}, {});
        QCOMPARE(nameOf(entries, {wmClass, {}, {}}), name);
    }

    // A user's copy of an entry that renames the application (a menu editor writes one) does
    // not make it unknown by the system's names, in any locale.
    void aRenamedEntryKeepsEveryOtherName() {
        QTemporaryDir dir;
        writeFiles(dir.filePath(u"home"_s),
                   {{u"debian-xterm.desktop"_s, entry(u"Notes"_s, u"StartupWMClass=XTerm\n"_s)}});
        writeFiles(dir.filePath(u"system"_s),
                   {{u"debian-xterm.desktop"_s, entry(u"XTerm"_s,
                                                      u"Name[de]=Terminal X\nName[fr]=Notes\n"
                                                      u"StartupWMClass=XTerm\n"_s)}});
        DesktopEntries entries({dir.filePath(u"home"_s), dir.filePath(u"system"_s)}, {});
        const std::optional<ResolvedApplication> xterm = entries.resolve({u"XTerm"_s, {}, {}});
        QVERIFY(xterm);
        QCOMPARE(xterm->name, u"Notes"_s);
        QCOMPARE(xterm->otherNames, (QStringList{u"XTerm"_s, u"Terminal X"_s}));
        QCOMPARE(entries.entries().size(), 1);
    }

    // A new entry of the user's own with the same class names the window, and every other entry
    // that describes it (by class, id or program) still knows it; an unrelated one does not.
    void everyEntryOfTheApplicationKnowsIt() {
        QTemporaryDir dir;
        writeFiles(dir.filePath(u"home"_s),
                   {{u"aaa-notes.desktop"_s, entry(u"Notes"_s, u"StartupWMClass=XCalc\n"_s)}});
        writeFiles(dir.filePath(u"system"_s),
                   {{u"x11/xcalc.desktop"_s, entry(u"Calculator"_s, u"Exec=xcalc\n"_s)},
                    {u"sums.desktop"_s, entry(u"Sums"_s, u"Exec=/usr/bin/xcalc -rpn\n"_s)},
                    {u"term.desktop"_s, entry(u"Term"_s, u"StartupWMClass=XTerm\n"_s)},
                    {u"other.desktop"_s, entry(u"Other"_s, u"Exec=xcalc --class=Other\n"_s)}});
        DesktopEntries entries({dir.filePath(u"home"_s), dir.filePath(u"system"_s)}, {});
        const std::optional<ResolvedApplication> xcalc =
            entries.resolve({u"XCalc"_s, u"xcalc"_s, u"/usr/bin/xcalc"_s});
        QVERIFY(xcalc);
        QCOMPARE(xcalc->name, u"Notes"_s);
        QStringList others = xcalc->otherNames;
        others.sort();
        QCOMPARE(others, (QStringList{u"Calculator"_s, u"Sums"_s}));
    }

    void onlyWellFormedEntriesAreRead_data() {
        QTest::addColumn<QString>("contents");
        QTest::addColumn<QString>("name");  // "" when the file is rejected

        QTest::newRow("minimal") << entry(u"App"_s) << "App";
        QTest::newRow("CRLF, spaces around '=', comments")
            << u"# c\r\n[Desktop Entry]\r\nType = Application\r\nName = App\r\n"_s << "App";
        QTest::newRow("escapes") << entry(u"A\\sB\\\\C"_s) << "A B\\C";
        QTest::newRow("first of a repeated key") << entry(u"One"_s, u"Name=Two\n"_s) << "One";
        QTest::newRow("other groups first, actions after")
            << u"[X-Vendor]\nName=No\n[Desktop Entry]\nType=Application\nName=App\n"
               u"[Desktop Action new]\nName=New Window\n"_s
            << "App";
        QTest::newRow("no Desktop Entry group") << u"[Other]\nType=Application\nName=A\n"_s << "";
        QTest::newRow("key before any group")
            << u"Name=A\n[Desktop Entry]\nType=Application\n"_s << "";
        QTest::newRow("no Name") << u"[Desktop Entry]\nType=Application\n"_s << "";
        QTest::newRow("no Type") << u"[Desktop Entry]\nName=A\n"_s << "";
        QTest::newRow("line without '='") << entry(u"App"_s, u"garbage\n"_s) << "";
        QTest::newRow("unclosed group") << u"[Desktop Entry\nType=Application\nName=A\n"_s << "";
        QTest::newRow("binary") << QString::fromLatin1(
                                       "\x7f"
                                       "ELF\x02\x01\x01",
                                       7)
                                << "";
    }

    void onlyWellFormedEntriesAreRead() {
        QFETCH(QString, contents);
        QFETCH(QString, name);
        const std::optional<DesktopEntry> parsed =
            parseDesktopEntry(contents, u"app.desktop"_s, {});
        QCOMPARE(parsed ? parsed->name : QString(), name);
    }

    void nameFollowsTheMessageLocale_data() {
        QTest::addColumn<QString>("lcAll");
        QTest::addColumn<QString>("lcMessages");
        QTest::addColumn<QString>("lang");
        QTest::addColumn<QString>("name");

        QTest::newRow("language and country") << ""
                                              << ""
                                              << "de_AT.UTF-8"
                                              << "Uhr (AT)";
        QTest::newRow("language alone") << ""
                                        << ""
                                        << "de_DE.UTF-8"
                                        << "Uhr";
        QTest::newRow("modifier") << ""
                                  << ""
                                  << "sr_RS.UTF-8@latin"
                                  << "Sat";
        QTest::newRow("unknown language") << ""
                                          << ""
                                          << "pt_PT.UTF-8"
                                          << "Clock";
        QTest::newRow("C locale") << ""
                                  << ""
                                  << "C.UTF-8"
                                  << "Clock";
        QTest::newRow("LC_MESSAGES over LANG") << ""
                                               << "de_AT"
                                               << "fr_FR"
                                               << "Uhr (AT)";
        QTest::newRow("LC_ALL over both") << "de_DE"
                                          << "de_AT"
                                          << "fr_FR"
                                          << "Uhr";
    }

    void nameFollowsTheMessageLocale() {
        QFETCH(QString, lcAll);
        QFETCH(QString, lcMessages);
        QFETCH(QString, lang);
        QFETCH(QString, name);

        QProcessEnvironment env;
        env.insert(u"LC_ALL"_s, lcAll);
        env.insert(u"LC_MESSAGES"_s, lcMessages);
        env.insert(u"LANG"_s, lang);
        const QString contents =
            entry(u"Clock"_s, u"Name[de]=Uhr\nName[de_AT]=Uhr (AT)\nName[sr@latin]=Sat\n"_s);
        const std::optional<DesktopEntry> parsed =
            parseDesktopEntry(contents, u"clock.desktop"_s, localeCandidates(messagesLocale(env)));
        QVERIFY(parsed);
        QCOMPARE(parsed->name, name);
    }

    void foldersFollowTheXdgVariables_data() {
        QTest::addColumn<QString>("dataHome");
        QTest::addColumn<QString>("dataDirs");
        QTest::addColumn<QStringList>("folders");

        QTest::newRow("defaults") << ""
                                  << ""
                                  << QStringList{u"/home/u/.local/share/applications"_s,
                                                 u"/usr/local/share/applications"_s,
                                                 u"/usr/share/applications"_s};
        QTest::newRow("set, relative and repeated parts dropped")
            << "/data"
            << "/a/:rel:/b:/a"
            << QStringList{u"/data/applications"_s, u"/a/applications"_s, u"/b/applications"_s};
        QTest::newRow("relative home is invalid")
            << "rel"
            << "/a" << QStringList{u"/home/u/.local/share/applications"_s, u"/a/applications"_s};
    }

    void foldersFollowTheXdgVariables() {
        QFETCH(QString, dataHome);
        QFETCH(QString, dataDirs);
        QFETCH(QStringList, folders);

        QProcessEnvironment env;
        env.insert(u"HOME"_s, u"/home/u"_s);
        env.insert(u"XDG_DATA_HOME"_s, dataHome);
        env.insert(u"XDG_DATA_DIRS"_s, dataDirs);
        QCOMPARE(applicationFolders(env), folders);
    }

    void programIsTheFirstWordOfExec_data() {
        QTest::addColumn<QString>("exec");
        QTest::addColumn<QString>("program");

        QTest::newRow("field codes") << "gamma-viewer %U"
                                     << "gamma-viewer";
        QTest::newRow("quoted with spaces") << "\"/opt/My App/app\" -x"
                                            << "/opt/My App/app";
        QTest::newRow("escaped quote") << "\"/opt/a\\\"b/app\""
                                       << "/opt/a\"b/app";
        QTest::newRow("env prefix") << "env LANG=C FOO=1 app --flag"
                                    << "app";
        QTest::newRow("env alone") << "/usr/bin/env"
                                   << "";
        QTest::newRow("empty") << "   "
                               << "";
    }

    void programIsTheFirstWordOfExec() {
        QFETCH(QString, exec);
        QFETCH(QString, program);
        QCOMPARE(programOfExec(exec), program);
    }

    void menusListVisibleEntriesWhoseProgramIsInstalled_data() {
        QTest::addColumn<QString>("extra");
        QTest::addColumn<bool>("shown");

        QTest::newRow("plain") << "" << true;
        QTest::newRow("NoDisplay") << "NoDisplay=true\n" << false;
        QTest::newRow("TryExec on the PATH") << "TryExec=sh\n" << true;
        QTest::newRow("TryExec by path") << "TryExec=/bin/sh\n" << true;
        QTest::newRow("TryExec missing") << "TryExec=quorel-not-installed\n" << false;
    }

    void menusListVisibleEntriesWhoseProgramIsInstalled() {
        QFETCH(QString, extra);
        QFETCH(bool, shown);
        const std::optional<DesktopEntry> parsed =
            parseDesktopEntry(entry(u"App"_s, extra), u"app.desktop"_s, {});
        QVERIFY(parsed);
        QCOMPARE(isShownInMenus(*parsed), shown);
    }

    void entriesAreRereadWhenTheFoldersChange() {
        QTemporaryDir dir;
        const QString home = dir.filePath(u"home"_s);  // does not exist yet
        DesktopEntries entries({home}, {});
        entries.setRecheckInterval(std::chrono::milliseconds(0));
        const WindowIdentity app{u"NewApp"_s, {}, {}};
        QCOMPARE(nameOf(entries, app), u"NewApp"_s);

        writeFiles(home, {{u"newapp.desktop"_s, entry(u"New App"_s)}});
        QCOMPARE(nameOf(entries, app), u"New App"_s);

        // A new subfolder changes its parent; a file added later changes the subfolder.
        writeFiles(home, {{u"sub/other.desktop"_s, entry(u"Other"_s)}});
        QCOMPARE(nameOf(entries, {u"sub-other"_s, {}, {}}), u"Other"_s);
        writeFiles(home, {{u"sub/late.desktop"_s, entry(u"Late"_s)}});
        QCOMPARE(nameOf(entries, {u"sub-late"_s, {}, {}}), u"Late"_s);

        QVERIFY(QFile::remove(home + u"/newapp.desktop"));
        QCOMPARE(nameOf(entries, app), u"NewApp"_s);
    }

    void entriesAreNotRereadWithinTheRecheckInterval() {
        QTemporaryDir dir;
        DesktopEntries entries({dir.path()}, {});
        entries.setRecheckInterval(std::chrono::hours(1));
        const WindowIdentity app{u"NewApp"_s, {}, {}};
        QCOMPARE(nameOf(entries, app), u"NewApp"_s);
        writeFiles(dir.path(), {{u"newapp.desktop"_s, entry(u"New App"_s)}});
        QCOMPARE(nameOf(entries, app), u"NewApp"_s);
    }
};

QTEST_GUILESS_MAIN(TestDesktopEntries)
#include "tst_desktopentries.moc"
