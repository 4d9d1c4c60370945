#include "AmbientAudioPlayer.h"

#include <QTest>

#include <vector>

using namespace Quorel;

namespace {

// What a fake device does and has seen; kept by the test, so it outlives the player.
struct Device {
    std::optional<double> rate = 48000;
    bool startSucceeds = true;
    bool playing = false;
    AmbientStream* stream = nullptr;
    int opens = 0;
    int closes = 0;
};

struct FakeOutput : AmbientOutput {
    explicit FakeOutput(Device& device) : d(device) {}
    std::optional<double> open() override {
        ++d.opens;
        return d.rate;
    }
    bool start(AmbientStream& s) override {
        if (!d.startSucceeds) {
            return false;
        }
        d.stream = &s;
        d.playing = true;
        return true;
    }
    void close() override {
        ++d.closes;
        d.stream = nullptr;
        d.playing = false;
    }
    bool isPlaying() const override { return d.playing; }
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
        m_device.stream->render(buffer.data(), frames, 2);
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
        QTest::addColumn<int>("opens");
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
        QFETCH(int, opens);
        QFETCH(AmbientSoundType, current);
        QFETCH(bool, playing);
        QFETCH(float, volume);
        for (const Call& c : calls) {
            m_player->update(c.type, c.shouldPlay, c.volume);
        }
        QCOMPARE(m_device.opens, opens);
        QCOMPARE(m_player->currentType(), current);
        QCOMPARE(m_device.playing, playing);
        QCOMPARE(m_player->volume(), volume);
        QCOMPARE(m_player->stream() != nullptr, playing);
        if (playing) {
            QCOMPARE(m_device.stream->gain(), volume);
        }
    }

    void sameSoundCarriesOnWhereItWas() {
        m_player->update(AmbientSoundType::Zen, true, 0.25);
        const AmbientStream* first = m_player->stream();
        pullFromDevice(1000);
        m_player->update(AmbientSoundType::Zen, true, 0.5);
        QCOMPARE(m_player->stream(), first);
        QCOMPARE(first->synth().sampleIndex(), std::uint64_t{1000});

        m_player->update(AmbientSoundType::Rain, true, 0.5);
        QCOMPARE(m_device.closes, 1);
        QCOMPARE(m_player->stream()->synth().sound(), AmbientSound::Rain);
        QCOMPARE(m_player->stream()->synth().sampleIndex(), std::uint64_t{0});
    }

    void aFailedStartKeepsTheSoundAndTheNextUpdateRetries_data() {
        QTest::addColumn<bool>("deviceOpens");
        QTest::newRow("no device") << false;
        QTest::newRow("device refuses to start") << true;
    }
    void aFailedStartKeepsTheSoundAndTheNextUpdateRetries() {
        QFETCH(bool, deviceOpens);
        if (!deviceOpens) {
            m_device.rate.reset();
        }
        m_device.startSucceeds = false;
        m_player->update(AmbientSoundType::Lofi, true, 0.25);
        QCOMPARE(m_player->currentType(), AmbientSoundType::Lofi);
        QCOMPARE(m_player->stream(), nullptr);

        m_device.rate = 44100;
        m_device.startSucceeds = true;
        m_player->update(AmbientSoundType::Lofi, true, 0.4);
        QCOMPARE(m_device.opens, 2);
        QVERIFY(m_device.playing);
        QCOMPARE(m_device.stream->gain(), 0.4f);
    }

    void aDeviceThatWentAwayIsStartedAgain() {
        m_player->update(AmbientSoundType::Rain, true, 0.25);
        m_device.playing = false;
        m_player->update(AmbientSoundType::Rain, true, 0.25);
        QCOMPARE(m_device.opens, 2);
        QVERIFY(m_device.playing);
    }

    void aDeviceRateOfZeroRunsAt44100() {
        m_device.rate = 0;
        m_player->update(AmbientSoundType::Zen, true, 0.25);
        QCOMPARE(m_player->stream()->synth().sampleRate(), 44100.0);
    }

    void goingAwayClosesTheDevice() {
        m_player->update(AmbientSoundType::Zen, true, 0.25);
        m_player.reset();
        QCOMPARE(m_device.closes, 1);
        QVERIFY(!m_device.playing);
    }
};

QTEST_APPLESS_MAIN(TestAmbientAudioPlayer)
#include "tst_ambientaudioplayer.moc"
