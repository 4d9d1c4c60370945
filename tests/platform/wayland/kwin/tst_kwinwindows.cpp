// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "wayland/kwin/KWinWindows.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace Quorel;

namespace {

// JSON written with single quotes, which the reports never contain.
QByteArray json(const char* text) {
    return QByteArray(text).replace('\'', '"');
}

}  // namespace

class TestKWinWindows : public QObject {
    Q_OBJECT

private slots:
    void windowReports_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<qint64>("pid");
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("regular");

        const QByteArray foot =
            json("{'id':'{a1}','appId':'foot','resourceClass':'foot','pid':%1,'normal':true}");
        QTest::newRow("native client") << QByteArray(foot).replace("%1", "4242") << true
                                       << qint64(4242) << QStringLiteral("pid:4242:foot") << true;
        QTest::newRow("no pid: grouped by class")
            << QByteArray(foot).replace("%1", "0") << true << qint64(0)
            << QStringLiteral("class:foot") << true;
        QTest::newRow("fractional pid") << QByteArray(foot).replace("%1", "12.5") << true
                                        << qint64(0) << QStringLiteral("class:foot") << true;
        QTest::newRow("negative pid") << QByteArray(foot).replace("%1", "-3") << true << qint64(0)
                                      << QStringLiteral("class:foot") << true;
        QTest::newRow("pid beyond int") << QByteArray(foot).replace("%1", "1e300") << true
                                        << qint64(0) << QStringLiteral("class:foot") << true;
        QTest::newRow("pid as text") << QByteArray(foot).replace("%1", json("'7'")) << true
                                     << qint64(0) << QStringLiteral("class:foot") << true;
        QTest::newRow("skips the taskbar")
            << QByteArray(json("{'id':'x','resourceClass':'a','normal':true,'skipTaskbar':true}"))
            << true << qint64(0) << QStringLiteral("class:a") << false;
        QTest::newRow("nothing to group by") << QByteArray(json("{'id':'x','normal':true}")) << true
                                             << qint64(0) << QString() << true;
        QTest::newRow("nothing in front")
            << QByteArray("null") << false << qint64(0) << QString() << false;
        QTest::newRow("no id") << QByteArray(json("{'resourceClass':'a'}")) << false << qint64(0)
                               << QString() << false;
        QTest::newRow("truncated") << QByteArray(json("{'id':'x','resourceClass':")) << false
                                   << qint64(0) << QString() << false;
        QTest::newRow("an array") << QByteArray("[]") << false << qint64(0) << QString() << false;
    }

    void windowReports() {
        QFETCH(QByteArray, json);
        QFETCH(bool, valid);
        const std::optional<WindowFacts> window = parseKWinWindow(json);
        QCOMPARE(window.has_value(), valid);
        if (valid) {
            QTEST(window->pid, "pid");
            QTEST(WorkspaceCore::keyOf(*window), "key");
            QTEST(window->type == WindowType::Normal && !window->skipTaskbar, "regular");
        }
    }

    void listKeepsTheGoodWindowsOfAMixedReport() {
        const QList<WindowFacts> windows =
            parseKWinWindowList(json("[{'id':'1','resourceClass':'a','dialog':true},7,{'nope':1},"
                                     "{'id':'2','resourceClass':'b','shell':true,'normal':true},"
                                     "{'id':'3','resourceClass':'a','appId':'org.a'}]"));
        QCOMPARE(windows.size(), 3);
        QCOMPARE(windows[0].type, WindowType::Dialog);
        QCOMPARE(windows[1].type, WindowType::DesktopShell);
        // A utility or splash window is neither normal nor a dialog, and still the app's.
        QCOMPARE(windows[2].type, WindowType::Auxiliary);
        QCOMPARE(windows[2].desktopId, QStringLiteral("org.a"));
        QVERIFY(parseKWinWindowList("{}").isEmpty());
    }

    void oversizedReportsAreRefused() {
        QByteArray huge = json("[{'id':'1','resourceClass':'");
        huge.append(QByteArray(maxKWinReportBytes, 'a')).append(json("'}]"));
        QVERIFY(parseKWinWindowList(huge).isEmpty());
        QVERIFY(!parseKWinWindow(huge.mid(1, huge.size() - 2)));
    }

    // The targets go into a script's source text: they must read back as sent.
    void hideTargetsRoundTrip() {
        const QString odd = QStringLiteral("we\u2028ird\"};alert(1)//");
        const QByteArray json = kwinHideTargets({QStringLiteral("{5e1}"), odd});
        QVERIFY(!json.contains("\xe2\x80\xa8"));
        const QJsonArray targets = QJsonDocument::fromJson(json).array();
        QCOMPARE(targets.size(), 2);
        QCOMPARE(targets[0].toString(), QStringLiteral("{5e1}"));
        QCOMPARE(targets[1].toString(), odd);
    }

    void scriptPlaceholdersAreFilled() {
        QCOMPARE(fillKWinScript(QStringLiteral("call(\"@SERVICE@\", \"@PATH@\", @SERVICE@)"),
                                {{QStringLiteral("SERVICE"), QStringLiteral(":1.42")},
                                 {QStringLiteral("PATH"), QStringLiteral("/a")}}),
                 QStringLiteral("call(\":1.42\", \"/a\", :1.42)"));
    }
};

QTEST_GUILESS_MAIN(TestKWinWindows)
#include "tst_kwinwindows.moc"
