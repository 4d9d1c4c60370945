// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "AmbientAudioPlayer.h"
#include "AmbientStream.h"
#include "Kinks.h"
#include "MissingOutputLines.h"
#include "SilentServer.h"
#include "audio/PulseAmbientOutput.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <pulse/simple.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

using namespace Quorel;

namespace {

constexpr int rate = 48000;

// What the null sink plays, left channel, recorded from its monitor on a thread of its own.
class SinkRecorder {
public:
    SinkRecorder() {
        const pa_sample_spec spec{.format = PA_SAMPLE_FLOAT32NE, .rate = rate, .channels = 2};
        const pa_buffer_attr attr{.maxlength = static_cast<std::uint32_t>(-1),
                                  .tlength = static_cast<std::uint32_t>(-1),
                                  .prebuf = static_cast<std::uint32_t>(-1),
                                  .minreq = static_cast<std::uint32_t>(-1),
                                  .fragsize = 8 * 480};
        m_pulse = pa_simple_new(nullptr, "tst_pulseambientoutput", PA_STREAM_RECORD,
                                "quorel_null.monitor", "monitor", &spec, nullptr, &attr, nullptr);
        if (m_pulse != nullptr) {
            m_thread = std::thread([this] { record(); });
        }
    }
    ~SinkRecorder() {
        m_done = true;
        if (m_thread.joinable()) {
            m_thread.join();
        }
        if (m_pulse != nullptr) {
            pa_simple_free(m_pulse);
        }
    }
    bool recording() const { return m_pulse != nullptr; }
    std::vector<float> left() {
        const std::lock_guard lock(m_mutex);
        return m_left;
    }
    // RMS of the last `frames` recorded.
    float recentRms(std::size_t frames) {
        const std::lock_guard lock(m_mutex);
        const std::size_t from = m_left.size() > frames ? m_left.size() - frames : 0;
        double sum = 0;
        for (std::size_t i = from; i < m_left.size(); ++i) {
            sum += double(m_left[i]) * m_left[i];
        }
        return m_left.size() > from ? float(std::sqrt(sum / double(m_left.size() - from))) : 0;
    }

private:
    void record() {
        std::vector<float> piece(2 * 480);
        while (!m_done) {
            if (pa_simple_read(m_pulse, piece.data(), piece.size() * sizeof(float), nullptr) < 0) {
                return;
            }
            const std::lock_guard lock(m_mutex);
            for (std::size_t i = 0; i < piece.size(); i += 2) {
                m_left.push_back(piece[i]);
            }
        }
    }

    pa_simple* m_pulse = nullptr;
    std::thread m_thread;
    std::atomic<bool> m_done{false};
    std::mutex m_mutex;
    std::vector<float> m_left;
};

}  // namespace

// A PulseAudio server of the test's own, whose only sink is a null sink, stands in for the
// session's; its monitor is what a listener would hear.
class TestPulseAmbientOutput : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QProcess m_server;

private slots:
    void initTestCase() {
        const QString pulseaudio = QStandardPaths::findExecutable(QStringLiteral("pulseaudio"));
        if (pulseaudio.isEmpty()) {
            QSKIP("no pulseaudio to play into");
        }
        QFile script(m_dir.filePath(QStringLiteral("null-sink.pa")));
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write(
            "load-module module-null-sink sink_name=quorel_null rate=48000 channels=2\n"
            "set-default-sink quorel_null\n"
            "load-module module-native-protocol-unix auth-anonymous=1\n");
        script.close();
        QDir(m_dir.path()).mkdir(QStringLiteral("runtime"));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_dir.filePath(QStringLiteral("runtime"))));
        qputenv("HOME", QFile::encodeName(m_dir.path()));
        qunsetenv("PULSE_SERVER");
        qunsetenv("PULSE_RUNTIME_PATH");
        m_server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_server.start(
            pulseaudio,
            {QStringLiteral("--daemonize=no"), QStringLiteral("--exit-idle-time=-1"),
             QStringLiteral("-n"), QStringLiteral("--system=false"),
             QStringLiteral("--disallow-exit"), QStringLiteral("--use-pid-file=no"),
             QStringLiteral("--log-level=error"), QStringLiteral("-F"), script.fileName()});
        QVERIFY(m_server.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(PulseAmbientOutput::serverExpected(), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(SinkRecorder().recording(), 20000);
    }

    void cleanupTestCase() {
        m_server.kill();
        m_server.waitForFinished();
    }

    // Every change rewrites what the server had queued: a gain scaled in place, a gain up from
    // zero, another sound, a stop. Wherever the old queue meets the new one, a misplaced write
    // would jump; a chime is smooth everywhere, so any sharp corner is such a jump.
    void changesRewriteTheQueueWithoutAClick() {
        SinkRecorder sink;
        QVERIFY(sink.recording());
        {
            PulseAmbientOutput output;
            const auto first = std::make_shared<AmbientStream>(AmbientSound::Zen, 1);
            first->setGain(0.5f);
            output.play(first);
            QTRY_VERIFY_WITH_TIMEOUT(sink.recentRms(rate / 10) > 0.005f, 10000);
            QVERIFY(output.hasDevice());
            QTest::qWait(700);  // the server has a queue to take back

            const auto changeGain = [&](float gain) {
                output.setGain(first, gain);
                QTest::qWait(400);
            };
            changeGain(0.2f);
            changeGain(0.0f);
            QTRY_COMPARE_WITH_TIMEOUT(sink.recentRms(rate / 10), 0.0f, 5000);
            changeGain(0.6f);
            QTRY_VERIFY_WITH_TIMEOUT(sink.recentRms(rate / 10) > 0.005f, 5000);

            const auto second = std::make_shared<AmbientStream>(AmbientSound::Zen, 2);
            second->setGain(0.4f);
            output.play(second);
            QTest::qWait(600);
            output.stop();
            QTRY_COMPARE_WITH_TIMEOUT(sink.recentRms(rate / 10), 0.0f, 5000);
            // The stream lingers a while for a sound chosen again, then goes.
            QTRY_VERIFY_WITH_TIMEOUT(!output.hasDevice(), 10000);
        }
        const std::vector<float> heard = sink.left();
        const auto first = std::find_if(heard.begin(), heard.end(), [](float s) { return s != 0; });
        QVERIFY(heard.end() - first > rate);
        QCOMPARE_LT(largestKink(std::vector<float>(first, heard.end())), 0.01f);
    }

    // Going away fades out what plays instead of cutting it.
    void goingAwayFadesOut() {
        SinkRecorder sink;
        QVERIFY(sink.recording());
        {
            AmbientAudioPlayer player(std::make_unique<PulseAmbientOutput>());
            player.update(AmbientSoundType::Zen, true, 0.6);
            QTRY_VERIFY_WITH_TIMEOUT(sink.recentRms(rate / 10) > 0.005f, 10000);
            QTest::qWait(700);
        }
        QTRY_COMPARE_WITH_TIMEOUT(sink.recentRms(rate / 10), 0.0f, 5000);
        const std::vector<float> heard = sink.left();
        const auto first = std::find_if(heard.begin(), heard.end(), [](float s) { return s != 0; });
        QCOMPARE_LT(largestKink(std::vector<float>(first, heard.end())), 0.01f);
    }

    void withoutAServerThePlayerIsSilentTriesAgainAndSaysSoOnce() {
        qputenv("PULSE_SERVER",
                "unix:" + QFile::encodeName(m_dir.filePath(QStringLiteral("none"))));
        silentOutputSaysSoOnce(std::make_unique<PulseAmbientOutput>());
        qunsetenv("PULSE_SERVER");
    }

    // A server that takes the connection and never answers holds neither the caller nor, for
    // longer than its patience, the owner.
    void aServerThatNeverAnswersHoldsNoCaller() {
        const QByteArray path = QFile::encodeName(m_dir.filePath(QStringLiteral("silent")));
        const int silent = listenSilently(path);
        QVERIFY(silent >= 0);
        qputenv("PULSE_SERVER", "unix:" + path);
        QElapsedTimer clock;
        clock.start();
        {
            AmbientAudioPlayer player(std::make_unique<PulseAmbientOutput>());
            player.update(AmbientSoundType::Rain, true, 0.25);
            QTest::qWait(300);
            player.update(AmbientSoundType::Zen, true, 0.25);
            player.update(AmbientSoundType::Zen, false, 0.25);
        }
        QCOMPARE_LT(clock.elapsed(), 5000);
        qunsetenv("PULSE_SERVER");
        ::close(silent);
    }
};

QTEST_GUILESS_MAIN(TestPulseAmbientOutput)
#include "tst_pulseambientoutput.moc"
