// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "wayland/idle/WaylandIdleNotify.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <csignal>

using namespace Quorel;
using namespace std::chrono_literals;

// Against a real headless compositor (in-sway.sh, in-kwin.sh), whose seat has no input
// device: idle comes by itself, and input is typed by wtype through the virtual keyboard.
class TestWaylandIdleNotify : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        m_idle = WaylandIdleNotify::create();
        QVERIFY2(m_idle, "the compositor offers no idle protocol");
        qInfo("idle protocol: %s", m_idle->protocol() == WaylandIdleNotify::Protocol::ExtIdleNotify
                                       ? "ext-idle-notify-v1"
                                       : "org_kde_kwin_idle");
    }

    void idleIsToldAfterTheThresholdAndEndsWithInput() {
        QVERIFY(!m_idle->isIdleFor(1s));  // armed now, told later
        QTRY_VERIFY_WITH_TIMEOUT(m_idle->isIdleFor(1s), 10000);

        if (QStandardPaths::findExecutable(QStringLiteral("wtype")).isEmpty()) {
            QSKIP("wtype is not installed: no input to end the idle time with");
        }
        QProcess wtype;
        wtype.setProcessChannelMode(QProcess::MergedChannels);
        wtype.start(QStringLiteral("wtype"), {QStringLiteral("-k"), QStringLiteral("Shift_L")});
        QVERIFY(wtype.waitForFinished(10000));
        if (wtype.exitCode() != 0) {
            // KWin keeps its virtual keyboard for input methods.
            QSKIP(qPrintable(QStringLiteral("wtype cannot type here: ") +
                             QString::fromLocal8Bit(wtype.readAll()).trimmed()));
        }
        QTRY_VERIFY_WITH_TIMEOUT(!m_idle->isIdleFor(1s), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(m_idle->isIdleFor(1s), 10000);  // and again
    }

    void aNewThresholdStartsAfresh() {
        QTRY_VERIFY_WITH_TIMEOUT(m_idle->isIdleFor(1s), 10000);
        QVERIFY(!m_idle->isIdleFor(1h));
        QTest::qWait(1500);
        QVERIFY(!m_idle->isIdleFor(1h));
    }

    void aCompositorThatGoesAwayLeavesNoIdle() {
        const qint64 pid = qEnvironmentVariableIntValue("QUOREL_COMPOSITOR_PID");
        if (pid <= 0) {
            QSKIP("QUOREL_COMPOSITOR_PID is not set");
        }
        QTRY_VERIFY_WITH_TIMEOUT(m_idle->isIdleFor(1s), 10000);
        QCOMPARE(::kill(pid_t(pid), SIGTERM), 0);
        QTRY_VERIFY_WITH_TIMEOUT(!m_idle->isIdleFor(1s), 10000);
        QVERIFY(!m_idle->isIdleFor(2s));
    }

    void noCompositorGivesNoMonitor() {
        QVERIFY(!WaylandIdleNotify::create(QStringLiteral("quorel-no-such-compositor")));
    }

private:
    std::unique_ptr<WaylandIdleNotify> m_idle;
};

QTEST_GUILESS_MAIN(TestWaylandIdleNotify)
#include "tst_waylandidlenotify.moc"
