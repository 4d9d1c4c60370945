#include "AmbientAudioPlayer.h"
#include "AmbientStream.h"
#include "audio/SdlAmbientOutput.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

using namespace Quorel;

namespace {

std::vector<float> floatsIn(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray bytes = file.readAll();
    std::vector<float> samples(static_cast<std::size_t>(bytes.size()) / sizeof(float));
    if (!samples.empty()) {
        std::memcpy(samples.data(), bytes.constData(), samples.size() * sizeof(float));
    }
    return samples;
}

// Samples written since the first sound: a busy machine may write silent buffers before it.
std::size_t audibleSamples(const QString& path) {
    const std::vector<float> written = floatsIn(path);
    const auto first = std::find_if(written.begin(), written.end(), [](float s) { return s != 0; });
    return static_cast<std::size_t>(written.end() - first);
}

int missingLines = 0;
void countMissing(QtMsgType, const QMessageLogContext&, const QString& message) {
    if (message.contains(QLatin1String("no audio output"))) {
        ++missingLines;
    }
}

}  // namespace

// SDL's disk driver writes what the callback produced to a file, at the pace of a real device.
class TestSdlAmbientOutput : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void init() {
        qputenv("SDL_AUDIODRIVER", "disk");
        qputenv("SDL_DISKAUDIOFILE", QFile::encodeName(m_dir.filePath(QStringLiteral("out.raw"))));
        QFile::remove(m_dir.filePath(QStringLiteral("out.raw")));
    }

    void devicePlaysTheStreamOnEveryChannelAtTheGainOfEachBuffer() {
        const QString path = m_dir.filePath(QStringLiteral("out.raw"));
        SdlAmbientOutput output;
        const std::optional<double> rate = output.open();
        QVERIFY(rate && *rate > 0);
        AmbientStream stream(AmbientSound::Zen, *rate, 1);
        stream.setGain(0.5f);
        QVERIFY(output.start(stream));
        QVERIFY(output.isPlaying());
        // Half a second of stereo sound at 0.5, then the gain of 0 for as long again.
        const auto half = static_cast<std::size_t>(*rate / 2) * 2;
        QTRY_VERIFY_WITH_TIMEOUT(audibleSamples(path) > half, 10000);
        stream.setGain(0);
        QTRY_VERIFY_WITH_TIMEOUT(audibleSamples(path) > 2 * half, 10000);
        output.close();
        QVERIFY(!output.isPlaying());

        // Any buffer written before the start is silence; the zen pair is the same in any run.
        const std::vector<float> written = floatsIn(path);
        std::size_t first = 0;
        while (first < written.size() && written[first] == 0) {
            ++first;
        }
        AmbientSynth zen(AmbientSound::Zen, *rate, AmbientRandom(1));
        std::vector<float> expected(written.size() / 2);
        zen.render(expected.data(), expected.size(), 1, 0.5f);
        std::size_t frame = 0;
        for (std::size_t i = first; i + 1 < written.size(); i += 2, ++frame) {
            QCOMPARE(written[i + 1], written[i]);
            if (written[i] == 0 && frame > 0) {
                break;  // the gain of 0 arrived
            }
            QCOMPARE(written[i], expected[frame]);
        }
        QVERIFY2(frame > static_cast<std::size_t>(*rate / 2), "the gain changed too early");
        for (std::size_t i = first + 2 * frame; i < written.size(); ++i) {
            QCOMPARE(written[i], 0.0f);
        }
    }

    void withoutADeviceThePlayerIsSilentAndSaysSoOnce() {
        qputenv("SDL_AUDIODRIVER", "no-such-driver");
        const QtMessageHandler previous = qInstallMessageHandler(countMissing);
        missingLines = 0;
        {
            AmbientAudioPlayer player(std::make_unique<SdlAmbientOutput>());
            player.update(AmbientSoundType::Rain, true, 0.25);
            player.update(AmbientSoundType::Rain, true, 0.5);
            player.update(AmbientSoundType::Zen, true, 0.5);
            QCOMPARE(player.stream(), nullptr);
            QCOMPARE(player.currentType(), AmbientSoundType::Zen);
        }
        qInstallMessageHandler(previous);
        QCOMPARE(missingLines, 1);
    }

    // A sound server that takes the connection and never answers holds SDL for half a minute;
    // the caller waits no longer than the output's patience, once. Last: the held thread still
    // runs in SDL when this returns.
    void aSoundServerThatNeverAnswersHoldsNoCaller() {
        // Listening is enough: the kernel takes the connection, and nothing ever answers it.
        const QByteArray path = QFile::encodeName(m_dir.filePath(QStringLiteral("pulse")));
        const int silent = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.constData(), sizeof address.sun_path - 1);
        QVERIFY(::bind(silent, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0);
        QVERIFY(::listen(silent, 4) == 0);
        qputenv("SDL_AUDIODRIVER", "pulseaudio");
        qputenv("PULSE_SERVER", "unix:" + path);
        const QtMessageHandler previous = qInstallMessageHandler(countMissing);
        missingLines = 0;
        QElapsedTimer clock;
        clock.start();
        {
            AmbientAudioPlayer player(
                std::make_unique<SdlAmbientOutput>(std::chrono::milliseconds(300)));
            player.update(AmbientSoundType::Rain, true, 0.25);
            player.update(AmbientSoundType::Zen, true, 0.25);
            QCOMPARE(player.stream(), nullptr);
        }
        qInstallMessageHandler(previous);
        // One wait of 300 ms for the open, not the sound server's 30 s.
        QCOMPARE_LT(clock.elapsed(), 5000);
        QCOMPARE(missingLines, 1);
        ::close(silent);
    }
};

QTEST_GUILESS_MAIN(TestSdlAmbientOutput)
#include "tst_sdlambientoutput.moc"
