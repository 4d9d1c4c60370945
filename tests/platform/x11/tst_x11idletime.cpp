// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "x11/X11IdleTime.h"

#include <QProcess>
#include <QTest>

using namespace Quorel;
using namespace std::chrono_literals;

// Against the real X server of with-desktop.sh, with input made by xdotool (XTEST), as a
// user's would arrive.
class TestX11IdleTime : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        m_idle = X11IdleTime::create();
        QVERIFY2(m_idle, "no X display with the MIT-SCREEN-SAVER extension");
    }

    void idleGrowsUntilInputResetsIt_data() {
        QTest::addColumn<QStringList>("input");
        QTest::newRow("pointer") << QStringList{QStringLiteral("mousemove"),
                                                QStringLiteral("--sync"), QStringLiteral("40"),
                                                QStringLiteral("60")};
        QTest::newRow("keyboard") << QStringList{QStringLiteral("key"), QStringLiteral("shift")};
    }

    void idleGrowsUntilInputResetsIt() {
        QFETCH(QStringList, input);
        xdotool({QStringLiteral("mousemove"), QStringLiteral("--sync"), QStringLiteral("10"),
                 QStringLiteral("10")});
        QTest::qWait(1500);
        const auto before = idleNow();
        QVERIFY(before);
        QVERIFY2(*before >= 1000ms, qPrintable(QString::number(before->count())));
        QVERIFY(m_idle->isIdleFor(1s));
        QVERIFY(!m_idle->isIdleFor(1h));

        xdotool(input);

        const auto after = idleNow();
        QVERIFY(after);
        QVERIFY2(*after < *before, qPrintable(QString::number(after->count())));
        QVERIFY(!m_idle->isIdleFor(*before));
    }

    void noDisplayGivesNoMonitor() { QVERIFY(!X11IdleTime::create(QStringLiteral(":4097"))); }

private:
    // Each answer is to the question sent at the ask before: the second of two is now's.
    std::optional<std::chrono::milliseconds> idleNow() {
        m_idle->idleTime();
        return m_idle->idleTime();
    }

    static void xdotool(const QStringList& arguments) {
        QProcess process;
        process.start(QStringLiteral("xdotool"), arguments);
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.exitCode(), 0);
    }

    std::unique_ptr<X11IdleTime> m_idle;
};

QTEST_GUILESS_MAIN(TestX11IdleTime)
#include "tst_x11idletime.moc"
