// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "AmbientAudioPlayer.h"

#include <QTest>

#include <vector>

using namespace Quorel;

namespace {

// What a fake device has been asked; kept by the test, so it outlives the player.
struct Device {
    std::vector<std::shared_ptr<AmbientStream>> plays;
    int stops = 0;
    int gainChanges = 0;
    std::shared_ptr<AmbientStream> current;
};

struct FakeOutput : AmbientOutput {
    explicit FakeOutput(Device& device) : d(device) {}
    void play(std::shared_ptr<AmbientStream> s) override {
        d.plays.push_back(s);
        d.current = std::move(s);
    }
    void stop() override {
        ++d.stops;
        d.current.reset();
    }
    void setGain(const std::shared_ptr<AmbientStream>& s, float gain) override {
        ++d.gainChanges;
        s->setGain(gain);
    }
    Device& d;
};

struct Call {
    AmbientSoundType type;
    bool shouldPlay;
    double volume;
};

}  // namespace

class TestAmbientAudioPlayer : public QObject {
    Q_OBJECT

    Device m_device;
    std::unique_ptr<AmbientAudioPlayer> m_player;

    void pullFromDevice(std::size_t frames) {
        std::vector<float> buffer(frames * 2);
        if (m_device.current->synth() == nullptr) {
            m_device.current->prepare(48000);
        }
        m_device.current->render(buffer.data(), frames, 2);
    }

private slots:
    void init() {
        m_player.reset();
        m_device = Device{};
        m_player = std::make_unique<AmbientAudioPlayer>(std::make_unique<FakeOutput>(m_device),
                                                        [] { return 1; });
    }

    // Each row: the calls, then what the device and the player show after the last.
    void followsTheCalls_data() {
        QTest::addColumn<std::vector<Call>>("calls");
        QTest::addColumn<int>("plays");
        QTest::addColumn<AmbientSoundType>("current");
        QTest::addColumn<bool>("playing");
        QTest::addColumn<float>("volume");
        using T = AmbientSoundType;
        QTest::newRow("silent until asked") << std::vector<Call>{} << 0 << T::Off << false << 0.25f;
        QTest::newRow("a sound starts")
            << std::vector<Call>{{T::Rain, true, 0.3}} << 1 << T::Rain << true << 0.3f;
        QTest::newRow("same sound: volume only")
            << std::vector<Call>{{T::Zen, true, 0.25}, {T::Zen, true, 0.5}} << 1 << T::Zen << true
            << 0.5f;
        QTest::newRow("another sound: a fresh start")
            << std::vector<Call>{{T::Zen, true, 0.25}, {T::Lofi, true, 0.25}} << 2 << T::Lofi
            << true << 0.25f;
        QTest::newRow("should not play: silent, volume kept")
            << std::vector<Call>{{T::Rain, true, 0.25}, {T::Rain, false, 0.3}} << 1 << T::Off
            << false << 0.3f;
        QTest::newRow("off is silence")
            << std::vector<Call>{{T::Rain, true, 0.25}, {T::Off, true, 0.7}} << 1 << T::Off << false
            << 0.7f;
        QTest::newRow("off never opens")
            << std::vector<Call>{{T::Off, true, 0.5}} << 0 << T::Off << false << 0.5f;
    }
    void followsTheCalls() {
        QFETCH(std::vector<Call>, calls);
        QFETCH(int, plays);
        QFETCH(AmbientSoundType, current);
        QFETCH(bool, playing);
        QFETCH(float, volume);
        for (const Call& c : calls) {
            m_player->update(c.type, c.shouldPlay, c.volume);
        }
        QCOMPARE(int(m_device.plays.size()), plays);
        QCOMPARE(m_player->currentType(), current);
        QCOMPARE(m_device.current != nullptr, playing);
        QCOMPARE(m_player->volume(), volume);
        QCOMPARE(m_player->stream(), m_device.current.get());
        if (playing) {
            QCOMPARE(m_device.current->gain(), volume);
        }
    }

    void sameSoundCarriesOnWhereItWas() {
        m_player->update(AmbientSoundType::Zen, true, 0.25);
        const AmbientStream* first = m_player->stream();
        pullFromDevice(1000);
        m_player->update(AmbientSoundType::Zen, true, 0.5);
        QCOMPARE(m_player->stream(), first);
        QCOMPARE(first->synth()->sampleIndex(), std::uint64_t{1000});

        // Another sound is a fresh stream, which the output fades over to on the same device.
        m_player->update(AmbientSoundType::Rain, true, 0.5);
        QCOMPARE(m_device.stops, 0);
        QCOMPARE(m_device.plays.size(), std::size_t{2});
        QCOMPARE(m_device.current->sound(), AmbientSound::Rain);
        QCOMPARE(m_device.current->synth(), nullptr);
    }

    // An output that queues ahead takes its queue back on each new gain: it hears of one only
    // when the gain of what plays really changed.
    void theOutputHearsOfANewGainOnlyWhenThereIsOne() {
        m_player->update(AmbientSoundType::Zen, true, 0.25);
        m_player->update(AmbientSoundType::Zen, true, 0.25);
        QCOMPARE(m_device.gainChanges, 0);
        m_player->update(AmbientSoundType::Zen, true, 0.5);
        m_player->update(AmbientSoundType::Zen, true, 0.5);
        QCOMPARE(m_device.gainChanges, 1);
        m_player->update(AmbientSoundType::Rain, true, 0.7);  // a fresh stream at its gain
        m_player->update(AmbientSoundType::Rain, false, 0.7);
        m_player->update(AmbientSoundType::Rain, false, 0.2);
        QCOMPARE(m_device.gainChanges, 1);
    }

    void goingAwayStopsTheSound() {
        m_player->update(AmbientSoundType::Zen, true, 0.25);
        m_player.reset();
        QCOMPARE(m_device.stops, 1);
        QCOMPARE(m_device.current, nullptr);
    }
};

QTEST_APPLESS_MAIN(TestAmbientAudioPlayer)
#include "tst_ambientaudioplayer.moc"
