// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "workspace/WorkspaceCore.h"
#include "xdg/DesktopEntries.h"

#include <algorithm>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Quorel;
using namespace Qt::StringLiterals;

namespace {

constexpr qint64 ownPid = 7777;

WindowFacts window(const QString& id, const QString& windowClass, qint64 pid,
                   WindowType type = WindowType::Normal) {
    WindowFacts facts;
    facts.id = id;
    facts.windowClass = windowClass;
    facts.pid = pid;
    facts.type = type;
    return facts;
}

QStringList keysOf(const QList<RunningApplication>& applications) {
    QStringList keys;
    for (const RunningApplication& application : applications) {
        keys << application.key;
    }
    return keys;
}

QStringList idsOf(const QList<WindowFacts>& windows) {
    QStringList ids;
    for (const WindowFacts& w : windows) {
        ids << w.id;
    }
    return ids;
}

}  // namespace

// What every desktop adapter relies on: one grouping, one key, one "this program", one list of
// windows to hide and one way of telling activations.
class TestWorkspaceCore : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<DesktopEntries> m_entries;

    WorkspaceCore core() { return WorkspaceCore(*m_entries, ownPid); }

private slots:
    void init() {
        QFile file(m_dir.filePath(u"debian-xterm.desktop"_s));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(
            "[Desktop Entry]\nType=Application\nName=Notes\nName[de]=Notizen\n"
            "StartupWMClass=XTerm\nExec=xterm\n");
        file.close();
        m_entries = std::make_unique<DesktopEntries>(QStringList{m_dir.path()}, QStringList{});
    }

    void windowsAreGroupedByProcessAndClass() {
        WorkspaceCore c = core();
        WindowFacts sandboxed = window(u"5"_s, u"org.b"_s, 2);
        WindowFacts noPid = window(u"6"_s, u"gamma"_s, 0);
        noPid.skipTaskbar = true;
        const QList<RunningApplication> apps = c.applicationsOf(
            {window(u"1"_s, u"alpha"_s, 10, WindowType::Auxiliary), window(u"2"_s, u"alpha"_s, 10),
             window(u"3"_s, u"alpha"_s, 11), window(u"4"_s, u"org.a"_s, 2), sandboxed, noPid,
             window(u"7"_s, u"panel"_s, 12, WindowType::DesktopShell), window(u"8"_s, {}, 0),
             window(u"10"_s, {}, QCoreApplication::applicationPid())});
        const QString classless = u"pid:"_s + QString::number(QCoreApplication::applicationPid());
        QCOMPARE(keysOf(apps), (QStringList{u"pid:10:alpha"_s, u"pid:11:alpha"_s, u"pid:2:org.a"_s,
                                            u"pid:2:org.b"_s, u"class:gamma"_s, classless}));
        QVERIFY(apps[0].isRegular);  // through its normal window, though a utility came first
        QVERIFY(!apps[4].isRegular);
        // Without a class, by its program: a class can be removed from a window.
        QCOMPARE(apps[5].name, u"tst_workspacecore"_s);
        QCOMPARE(apps[5].identity, u"tst_workspacecore"_s);
        // A desktop's own match to an entry names an application without a class.
        WindowFacts matched = window(u"9"_s, {}, 0);
        matched.desktopId = u"org.c.desktop"_s;
        QCOMPARE(WorkspaceCore::keyOf(matched), u"class:org.c.desktop"_s);
        QCOMPARE(c.applicationOf(matched)->identity, u"org.c.desktop"_s);
    }

    void thisProgramIsToldByProcessElseByAppId() {
        WorkspaceCore c = core();
        QVERIFY(c.isThisProgram(window(u"1"_s, u"anything"_s, ownPid)));
        QVERIFY(!c.isThisProgram(window(u"2"_s, u"quorel"_s, ownPid + 1)));
        QVERIFY(c.isThisProgram(window(u"3"_s, u"Quorel"_s, 0)));
        WindowFacts byEntry = window(u"4"_s, {}, 0);
        byEntry.desktopId = u"quorel.desktop"_s;
        QVERIFY(c.isThisProgram(byEntry));
        const std::optional<RunningApplication> self =
            c.applicationOf(window(u"5"_s, u"tst_workspacecore"_s, ownPid));
        QVERIFY(self && self->isThisProgram);
        QCOMPARE(self->name, u"Quorel"_s);
    }

    // Every window of the application but the desktop's, and never this program's.
    void hidingTakesEveryWindowOfTheApplication() {
        WorkspaceCore c = core();
        const QList<WindowFacts> windows{
            window(u"1"_s, u"alpha"_s, 10),
            window(u"2"_s, u"alpha"_s, 10, WindowType::Dialog),
            window(u"3"_s, u"alpha"_s, 10, WindowType::Auxiliary),
            window(u"4"_s, u"alpha"_s, 10, WindowType::DesktopShell),
            window(u"5"_s, u"alpha"_s, 11),
            window(u"6"_s, u"shield"_s, ownPid, WindowType::Auxiliary),
            window(u"7"_s, u"shield"_s, ownPid),
        };
        QCOMPARE(idsOf(c.windowsToHide(u"pid:10:alpha"_s, windows)),
                 (QStringList{u"1"_s, u"2"_s, u"3"_s}));
        QVERIFY(c.windowsToHide(u"pid:7777:shield"_s, windows).isEmpty());
        QVERIFY(c.windowsToHide({}, windows).isEmpty());
    }

    // A block list entry must match whatever the user renamed the menu entry to.
    void anApplicationIsKnownByEveryName() {
        WorkspaceCore c = core();
        WindowFacts xterm = window(u"1"_s, u"XTerm"_s, 0);
        xterm.instance = u"xterm"_s;
        const std::optional<RunningApplication> app = c.applicationOf(xterm);
        QVERIFY(app);
        QCOMPARE(app->name, u"Notes"_s);
        QCOMPARE(app->otherNames, (QStringList{u"Notizen"_s, u"XTerm"_s}));
        QCOMPARE(c.lastSeen(app->key)->id, u"1"_s);
        QVERIFY(!c.lastSeen(u"pid:1:nothing"_s));
        const QList<RunningApplication> installed = c.installedApplications();
        QVERIFY(std::ranges::any_of(installed, [](const RunningApplication& a) {
            return a.name == u"Notes"_s && a.identity == u"debian-xterm.desktop"_s &&
                   a.executable == u"xterm"_s && !a.isWebBrowser;
        }));
    }

    void everyApplicationThatCameToTheFrontOrShowedIsTold() {
        WorkspaceCore c = core();
        QStringList told;
        c.setActivationHandler([&](const RunningApplication& a) {
            told << a.key;
            QCOMPARE(c.frontmost()->key, u"pid:1:b"_s);  // the cache is current for the handler
        });
        // One batch: a, b, a again, then b: each application once, in order.
        for (const QString& cls : {u"a"_s, u"b"_s, u"a"_s, u"b"_s}) {
            c.takeFront(window(cls, cls, 1));
        }
        c.deliverActivations();
        QCOMPARE(told, (QStringList{u"pid:1:a"_s, u"pid:1:b"_s}));

        // The same one again is no news, nor is nothing in front; hidden, it is news again.
        told.clear();
        c.setActivationHandler([&](const RunningApplication& a) { told << a.key; });
        c.takeFront(window(u"x"_s, u"b"_s, 1));
        c.takeFront(std::nullopt);
        QVERIFY(!c.frontmost());
        c.takeFront(window(u"y"_s, u"b"_s, 1));
        c.deliverActivations();
        QVERIFY(told.isEmpty());
        c.hidden(u"pid:1:b"_s);
        c.takeFront(window(u"y"_s, u"b"_s, 1));
        c.deliverActivations();
        QCOMPARE(told, QStringList{u"pid:1:b"_s});

        // A front window without a regular window of its own looks at the others.
        c.takeFront(window(u"p"_s, u"c"_s, 2, WindowType::Auxiliary),
                    [] { return QList<WindowFacts>{window(u"q"_s, u"c"_s, 2)}; });
        QVERIFY(c.frontmost()->isRegular);
        c.forgetFront();
        QVERIFY(!c.frontmost());
        c.takeFront(window(u"desk"_s, u"d"_s, 3, WindowType::DesktopShell));
        QVERIFY(!c.frontmost());

        // Shown: each application once, after the activations, unless it was just told in
        // front; the desktop shell never.
        told.clear();
        QStringList shown;
        c.setShownHandler([&](const RunningApplication& a) {
            QVERIFY(!told.isEmpty());
            shown << a.key;
        });
        for (const QString& id : {u"e1"_s, u"e2"_s}) {
            c.takeShown(window(id, u"e"_s, 4));
        }
        c.takeShown(window(u"f"_s, u"f"_s, 4));
        c.takeShown(window(u"desk"_s, u"d"_s, 3, WindowType::DesktopShell));
        c.takeFront(window(u"f"_s, u"f"_s, 4));
        c.deliverActivations();
        QCOMPARE(told, QStringList{u"pid:4:f"_s});
        QCOMPARE(shown, QStringList{u"pid:4:e"_s});
    }
};

QTEST_GUILESS_MAIN(TestWorkspaceCore)
#include "tst_workspacecore.moc"
