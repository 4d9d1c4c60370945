// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "wayland/sway/SwayIpc.h"

#include <QTest>

using namespace Quorel;

class TestSwayIpc : public QObject {
    Q_OBJECT

private slots:
    void framesArriveWholeWhateverTheReadsCut() {
        const QByteArray stream = SwayIpc::encode(SwayIpc::windowEvent, "{\"a\":1}") +
                                  SwayIpc::encode(SwayIpc::GetTree, {});
        // Fed one byte at a time, as the socket might deliver it.
        QByteArray buffer;
        QList<SwayIpc::Frame> frames;
        for (const char byte : stream) {
            buffer.append(byte);
            SwayIpc::Frame frame;
            while (SwayIpc::takeFrame(buffer, frame) == SwayIpc::Take::Frame) {
                frames.append(frame);
            }
        }
        QCOMPARE(frames.size(), 2);
        QCOMPARE(frames[0].type, SwayIpc::windowEvent);
        QCOMPARE(frames[0].payload, QByteArray("{\"a\":1}"));
        QCOMPARE(frames[1].type, std::uint32_t{SwayIpc::GetTree});
        QVERIFY(frames[1].payload.isEmpty());
        QVERIFY(buffer.isEmpty());
    }

    void aPeerThatIsNotSwayBreaksTheChannel_data() {
        QTest::addColumn<QByteArray>("buffer");
        QTest::addColumn<int>("expected");
        const auto header = [](std::uint32_t length) {
            QByteArray frame = SwayIpc::encode(0, {});
            std::memcpy(frame.data() + 6, &length, sizeof(length));
            return frame;
        };
        QTest::newRow("http") << QByteArray("HTTP/1.1 200 OK\r\n") << int(SwayIpc::Take::Broken);
        QTest::newRow("wrong magic, short") << QByteArray("i4") << int(SwayIpc::Take::Broken);
        QTest::newRow("magic begun") << QByteArray("i3-i") << int(SwayIpc::Take::NeedMore);
        QTest::newRow("empty") << QByteArray() << int(SwayIpc::Take::NeedMore);
        QTest::newRow("length past the bound")
            << header(SwayIpc::maxPayload + 1) << int(SwayIpc::Take::Broken);
        QTest::newRow("length at the bound, payload to come")
            << header(SwayIpc::maxPayload) << int(SwayIpc::Take::NeedMore);
        QTest::newRow("largest length") << header(0xffffffffu) << int(SwayIpc::Take::Broken);
    }

    void aPeerThatIsNotSwayBreaksTheChannel() {
        QFETCH(QByteArray, buffer);
        QFETCH(int, expected);
        SwayIpc::Frame frame;
        QCOMPARE(int(SwayIpc::takeFrame(buffer, frame)), expected);
    }

    void hidingSelectsOnlyTheApplicationsWindows_data() {
        QTest::addColumn<qint64>("pid");
        QTest::addColumn<bool>("xwayland");
        QTest::addColumn<QString>("id");
        QTest::addColumn<QByteArray>("command");
        QTest::newRow("native") << qint64(42) << false << QStringLiteral("foot")
                                << QByteArray(R"([pid=42 app_id="^foot$"] move scratchpad)");
        QTest::newRow("xwayland") << qint64(7) << true << QStringLiteral("XTerm")
                                  << QByteArray(R"([pid=7 class="^XTerm$"] move scratchpad)");
        QTest::newRow("dots are literal")
            << qint64(9) << false << QStringLiteral("org.kde.kate")
            << QByteArray(R"([pid=9 app_id="^org\.kde\.kate$"] move scratchpad)");
        QTest::newRow("colon in the id")
            << qint64(9) << false << QStringLiteral("a:b")
            << QByteArray(R"([pid=9 app_id="^a\:b$"] move scratchpad)");
        QTest::newRow("no process") << qint64(0) << false << QStringLiteral("foot")
                                    << QByteArray(R"([app_id="^foot$"] move scratchpad)");
        QTest::newRow("no id") << qint64(5) << false << QString()
                               << QByteArray("[pid=5] move scratchpad");
        QTest::newRow("a quote cannot end the criterion")
            << qint64(5) << false << QStringLiteral("x\"] kill; [")
            << QByteArray(R"([pid=5 shell="xdg_shell"] move scratchpad)");
        QTest::newRow("a quote and no process selects nothing")
            << qint64(0) << false << QStringLiteral("x\"] kill; [") << QByteArray();
        QTest::newRow("semicolon stays inside the value")
            << qint64(0) << true << QStringLiteral("a; kill")
            << QByteArray(R"([class="^a\;\ kill$"] move scratchpad)");
        QTest::newRow("nothing to go on") << qint64(0) << false << QString() << QByteArray();
        QTest::newRow("a negative process is none")
            << qint64(-1) << false << QString() << QByteArray();
    }

    void hidingSelectsOnlyTheApplicationsWindows() {
        QFETCH(qint64, pid);
        QFETCH(bool, xwayland);
        QFETCH(QString, id);
        QFETCH(QByteArray, command);
        QCOMPARE(SwayIpc::hideCommand(pid, xwayland, id), command);
    }
};

QTEST_GUILESS_MAIN(TestSwayIpc)
#include "tst_swayipc.moc"
