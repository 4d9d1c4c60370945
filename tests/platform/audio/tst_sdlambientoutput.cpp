// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "AmbientAudioPlayer.h"
#include "AmbientStream.h"
#include "Kinks.h"
#include "MissingOutputLines.h"
#include "SilentServer.h"
#include "audio/SdlAmbientOutput.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

#include <algorithm>
#include <atomic>
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

// The left channel from the first sound on, checking that the right one carries the same.
std::vector<float> heardLeft(const QString& path) {
    const std::vector<float> written = floatsIn(path);
    std::vector<float> left;
    bool heard = false;
    for (std::size_t i = 0; i + 1 < written.size(); i += 2) {
        if (written[i + 1] != written[i]) {
            return {};
        }
        heard = heard || written[i] != 0;
        if (heard) {
            left.push_back(written[i]);
        }
    }
    return left;
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

    // The sound rises from silence and is then the synth's, sample for sample, on every channel;
    // a new sound takes over on the same device (a device opened again would start the file
    // afresh); a stop fades out, and the device goes a while later. Nowhere a click.
    void soundsComeAndGoOnOneDeviceWithoutAClick() {
        const QString path = m_dir.filePath(QStringLiteral("out.raw"));
        constexpr std::size_t rate = 48000;  // what the disk driver takes
        SdlAmbientOutput output;
        const auto first = std::make_shared<AmbientStream>(AmbientSound::Zen, 1);
        first->setGain(0.5f);
        output.play(first);
        QTRY_VERIFY_WITH_TIMEOUT(audibleSamples(path) > 2 * rate, 10000);  // a second, stereo
        QVERIFY(output.hasDevice());
        const auto second = std::make_shared<AmbientStream>(AmbientSound::Zen, 2);
        second->setGain(0.7f);
        output.play(second);
        QTRY_VERIFY_WITH_TIMEOUT(audibleSamples(path) > 4 * rate, 10000);
        output.stop();
        QTRY_VERIFY_WITH_TIMEOUT(!output.hasDevice(), 10000);

        const std::vector<float> heard = heardLeft(path);
        QVERIFY(heard.size() > 2 * rate);
        AmbientStream twin(AmbientSound::Zen, 1);
        twin.prepare(rate);
        twin.setGain(0.5f);
        std::vector<float> expected(rate / 2);
        twin.render(expected.data(), expected.size(), 1);
        QCOMPARE(std::vector<float>(heard.begin(), heard.begin() + std::ssize(expected)), expected);
        QVERIFY(std::all_of(heard.end() - 1000, heard.end(), [](float s) { return s == 0; }));
        QCOMPARE_LT(largestKink(heard), 0.01f);
    }

    void withoutADeviceThePlayerIsSilentTriesAgainAndSaysSoOnce() {
        qputenv("SDL_AUDIODRIVER", "no-such-driver");
        silentOutputSaysSoOnce(std::make_unique<SdlAmbientOutput>());
    }

    // A sound server that takes the connection and never answers holds SDL for half a minute;
    // the caller never waits for it, and its owner only a while when it goes. Last: the held
    // thread still runs in SDL when this returns.
    void aSoundServerThatNeverAnswersHoldsNoCaller() {
        // Listening is enough: the kernel takes the connection, and nothing ever answers it.
        const QByteArray path = QFile::encodeName(m_dir.filePath(QStringLiteral("pulse")));
        const int silent = listenSilently(path);
        QVERIFY(silent >= 0);
        qputenv("SDL_AUDIODRIVER", "pulseaudio");
        qputenv("PULSE_SERVER", "unix:" + path);
        QElapsedTimer clock;
        clock.start();
        {
            AmbientAudioPlayer player(std::make_unique<SdlAmbientOutput>());
            player.update(AmbientSoundType::Rain, true, 0.25);
            QTest::qWait(300);  // the output's thread is in SDL by now
            player.update(AmbientSoundType::Zen, true, 0.25);
            player.update(AmbientSoundType::Zen, false, 0.25);
        }
        // The owner's wait of 2 s when it goes, not the sound server's 30 s.
        QCOMPARE_LT(clock.elapsed(), 5000);
        // The server gives up later: the thread the owner left behind says nothing, as the
        // program's logging may be gone by then.
        missingLines = 0;
        const QtMessageHandler previous = qInstallMessageHandler(countMissing);
        ::close(silent);
        QTest::qWait(1000);
        qInstallMessageHandler(previous);
        QCOMPARE(missingLines.load(), 0);
    }
};

QTEST_GUILESS_MAIN(TestSdlAmbientOutput)
#include "tst_sdlambientoutput.moc"
