// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "AmbientMix.h"
#include "AmbientStream.h"
#include "AmbientSynth.h"
#include "Kinks.h"
#include "PlainAmbientSynth.h"
#include "ScriptedRandom.h"

#include <QTest>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>
#include <vector>

// Every allocation in this program is counted, so a test can see that rendering makes none.
namespace {
std::atomic<long> allocations{0};
}
void* operator new(std::size_t size) {
    ++allocations;
    if (void* p = std::malloc(size ? size : 1)) {
        return p;
    }
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

using namespace Quorel;
using ScriptedSynth = BasicAmbientSynth<ScriptedRandom>;

namespace {

constexpr double rate = 44100;

template <class Synth>
std::vector<float> renderMono(Synth& synth, std::size_t frames) {
    std::vector<float> out(frames);
    synth.render(out.data(), frames, 1);
    return out;
}

// The power of one frequency in samples [begin, begin + count) (Goertzel).
double tonePower(const std::vector<float>& s, std::size_t begin, std::size_t count, double hz) {
    const double coeff = 2 * std::cos(6.283185307179586 * hz / rate);
    double prev = 0, prev2 = 0;
    for (std::size_t i = begin; i < begin + count; ++i) {
        const double v = s[i] + coeff * prev - prev2;
        prev2 = prev;
        prev = v;
    }
    return prev * prev + prev2 * prev2 - coeff * prev * prev2;
}

// Every present tone is at least ten times as strong as every absent one, over one second.
bool tonesDominate(const std::vector<float>& s, std::size_t begin, std::vector<double> present,
                   std::vector<double> absent) {
    double weakest = INFINITY, strongest = 0;
    for (double hz : present) {
        weakest = std::min(weakest, tonePower(s, begin, 44100, hz));
    }
    for (double hz : absent) {
        strongest = std::max(strongest, tonePower(s, begin, 44100, hz));
    }
    return weakest > 10 * strongest;
}

}  // namespace

class TestAmbientSynth : public QObject {
    Q_OBJECT

private slots:
    // Sample index n is out[n - 1]: the first sample already has index 1.
    void chordsChangeEveryFourSecondsWithASilentOnset() {
        ScriptedSynth synth(AmbientSound::Lofi, rate, ScriptedRandom());
        const auto out = renderMono(synth, 705600 + 44100 + 4410);
        QVERIFY(out[176398] != 0.0f);
        QCOMPARE(out[176399], 0.0f);
        QVERIFY(out[176400] != 0.0f);
        QCOMPARE(out[705599], 0.0f);
        QVERIFY(tonesDominate(out, 176400 + 4410, {164.81, 196.0, 246.94, 293.66},
                              {174.61, 329.63, 130.81}));
        QVERIFY(tonesDominate(out, 705600 + 4410, {174.61, 220.0, 261.63, 329.63},
                              {164.81, 293.66, 130.81}));
    }

    void zenHoldsRootAndFifthUntilTheFirstChime() {
        ScriptedRandom random;
        random.script().belowAnswers[1] = 4;  // the first chime picks E5
        ScriptedSynth synth(AmbientSound::Zen, rate, random);
        const auto out = renderMono(synth, 154350 + 44100);
        float level = 0.4f;
        for (std::size_t n = 1; n < 154350; ++n) {
            const double t = static_cast<double>(n) / rate;
            const double pair = 0.65 * std::sin(6.283185307179586 * 261.63 * t) +
                                0.25 * std::sin(6.283185307179586 * 392.0 * t);
            const auto swell = static_cast<float>(0.75 + 0.25 * std::sin(t * 1.2566370614359172));
            const float expected = level * static_cast<float>(pair) * swell;
            level *= 0.99993f;
            if (std::abs(out[n - 1] - expected) > 1e-5f) {
                QFAIL(qPrintable(QStringLiteral("sample %1: %2, expected %3")
                                     .arg(n)
                                     .arg(out[n - 1])
                                     .arg(expected)));
            }
        }
        QVERIFY(tonesDominate(out, 154350, {659.25, 988.875}, {261.63, 392.0}));
    }

    void rainDropsTakeTheFirstQuietVoiceAndAreLostWhenNoneIs() {
        ScriptedRandom random;
        for (std::uint64_t call = 1; call <= 7; ++call) {
            random.script().belowAnswers[call] = 0;  // a drop on each of the first 7 samples
            random.script().uniforms.push_back(700.0 + 100.0 * static_cast<double>(call));
            random.script().uniforms.push_back(0.2);
        }
        ScriptedSynth synth(AmbientSound::Rain, rate, random);
        renderMono(synth, 7);
        for (std::size_t j = 0; j < 6; ++j) {
            QCOMPARE(synth.dropFrequency(j), 800.0 + 100.0 * static_cast<double>(j));
        }
        QCOMPARE(random.script().uniforms.size(), std::size_t{2});  // the 7th drop was lost

        // Voices below 0.01 but above 0.001 still sound, and the next drop takes the first.
        renderMono(synth, 2500 - 7);
        for (std::size_t j = 0; j < 6; ++j) {
            QVERIFY(synth.dropLevel(j) < 0.01f && synth.dropLevel(j) > 0.001f);
        }
        random.script().uniforms = {2000, 0.15};
        random.script().belowAnswers[2501] = 0;
        renderMono(synth, 1);
        QCOMPARE(synth.dropFrequency(0), 2000.0);
        QCOMPARE(synth.dropLevel(0), 0.15f * 0.9985f);
        QCOMPARE(synth.dropPhase(0), 2000.0 * 6.283185307179586 / rate);  // restarted at 0
        QCOMPARE(synth.dropFrequency(1), 900.0);

        // Voices at 0.001 or below are left as they are.
        renderMono(synth, 3000);
        QVERIFY(synth.dropLevel(1) <= 0.001f);
        const double phase = synth.dropPhase(1);
        const float level = synth.dropLevel(1);
        renderMono(synth, 100);
        QCOMPARE(synth.dropPhase(1), phase);
        QCOMPARE(synth.dropLevel(1), level);
    }

    // A chord change and a chime onset each glide: no corner sharper than the tones' own.
    void noClickWhereTheSoundChanges_data() {
        QTest::addColumn<AmbientSound>("sound");
        QTest::addColumn<std::uint64_t>("firstChange");  // sample index, then every so many
        QTest::newRow("lo-fi chord changes") << AmbientSound::Lofi << std::uint64_t{176400};
        QTest::newRow("zen chime onsets") << AmbientSound::Zen << std::uint64_t{154350};
    }
    void noClickWhereTheSoundChanges() {
        QFETCH(AmbientSound, sound);
        QFETCH(std::uint64_t, firstChange);
        ScriptedRandom random;
        for (std::uint64_t call = 1; call <= 8; ++call) {
            random.script().belowAnswers[call] = call % 5;  // chimes walk the scale
        }
        ScriptedSynth synth(sound, rate, random);
        const auto out = renderMono(synth, 4 * firstChange + 1000);
        for (std::uint64_t change = firstChange; change < out.size(); change += firstChange) {
            const std::size_t at = change - 1;
            const float kink = largestKink(out, at - 300, at + 300);
            QVERIFY2(kink < 0.01f,
                     qPrintable(QStringLiteral("a kink of %1 at sample %2").arg(kink).arg(change)));
        }
    }

    // The volume of a start, a change and a stop glides there; in between, the stream is the
    // synth at that gain, sample for sample. Prepared again for the same rate, as when its device
    // comes back, it carries on where it was, rising from silence again; for another, afresh.
    void aStreamGlidesToEveryNewLevel() {
        AmbientStream stream(AmbientSound::Zen, 1);
        stream.prepare(48000);
        AmbientSynth synth(AmbientSound::Zen, 48000, AmbientRandom(1));
        std::vector<float> out(1, 0.0f);  // silence before the start
        std::vector<float> plain(1, 0.0f);
        const auto pull = [&](float gain) {
            std::vector<float> buffer(512), reference(512);
            stream.render(buffer.data(), buffer.size(), 1);
            synth.render(reference.data(), reference.size(), 1, gain);
            out.insert(out.end(), buffer.begin(), buffer.end());
            plain.insert(plain.end(), reference.begin(), reference.end());
        };
        for (const float gain : {0.5f, 0.7f, 0.05f}) {
            stream.setGain(gain);
            pull(gain);
            pull(gain);
            // The glide (240 samples at 48 kHz) is over within the first buffer.
            QCOMPARE(std::vector<float>(out.end() - 512, out.end()),
                     std::vector<float>(plain.end() - 512, plain.end()));
        }
        stream.fadeOut();
        QCOMPARE(stream.framesToSilence(), std::size_t{240});
        pull(0);
        QVERIFY(stream.faded());
        QVERIFY(std::all_of(out.end() - 272, out.end(), [](float v) { return v == 0; }));

        stream.prepare(48000);
        pull(0.05f);
        QCOMPARE(stream.synth()->sampleIndex(), std::uint64_t{8 * 512});
        QCOMPARE_LT(std::abs(out[out.size() - 512]), 0.001f);
        QCOMPARE_LT(largestKink(out), 0.01f);
        stream.prepare(44100);
        QCOMPARE(stream.synth()->sampleIndex(), std::uint64_t{0});
    }

    // An output that scaled what it had queued already settles the stream at the new gain: the
    // next buffer is the synth at that gain from its first sample, with no glide from the old one.
    // A stream fading out keeps fading.
    void aSettledStreamTakesItsGainWithoutAGlide() {
        AmbientStream stream(AmbientSound::Zen, 1);
        stream.prepare(48000);
        AmbientSynth synth(AmbientSound::Zen, 48000, AmbientRandom(1));
        std::vector<float> buffer(512), reference(512);
        stream.setGain(0.5f);
        stream.render(buffer.data(), buffer.size(), 1);
        synth.render(reference.data(), reference.size(), 1, 0.5f);
        QCOMPARE(stream.level(), 0.5f);

        stream.setGain(0.2f);
        stream.settle();
        QCOMPARE(stream.level(), 0.2f);
        stream.render(buffer.data(), buffer.size(), 1);
        synth.render(reference.data(), reference.size(), 1, 0.2f);
        QCOMPARE(buffer, reference);

        stream.fadeOut();
        stream.settle();
        QCOMPARE(stream.framesToSilence(), std::size_t{240});
        stream.render(buffer.data(), buffer.size(), 1);
        QVERIFY(stream.faded());
    }

    // One device, one sound at a time: the old one fades out, the new one rises in the same
    // buffer; one that comes back while fading rises again; a stop leaves silence.
    void theMixFadesFromOneSoundToTheNext() {
        const auto a = std::make_shared<AmbientStream>(AmbientSound::Zen, 1);
        const auto b = std::make_shared<AmbientStream>(AmbientSound::Zen, 2);
        a->setGain(0.7f);
        b->setGain(0.7f);
        AmbientMix mix;
        std::vector<float> out(1, 0.0f);
        const auto pull = [&](std::size_t frames) {
            std::vector<float> buffer(2 * frames);
            mix.render(buffer.data(), frames, 2);
            for (std::size_t f = 0; f < frames; ++f) {
                QCOMPARE(buffer[2 * f + 1], buffer[2 * f]);
                out.push_back(buffer[2 * f]);
            }
        };
        mix.play(a, 48000);
        pull(1024);
        mix.play(b, 48000);
        QVERIFY(!mix.collect());
        QCOMPARE(mix.playing(), a);
        pull(1024);
        QVERIFY(a->faded());
        QCOMPARE(b->synth()->sampleIndex(), std::uint64_t{1024 - 240});
        mix.collect();
        QCOMPARE(mix.playing(), b);

        mix.stop();
        pull(100);
        mix.play(b, 48000);
        pull(1024);
        QVERIFY(!b->fadingOut());
        QCOMPARE(b->synth()->sampleIndex(), std::uint64_t{1024 - 240 + 1124});

        mix.stop();
        pull(1024);
        QVERIFY(mix.collect());
        QVERIFY(std::all_of(out.end() - 784, out.end(), [](float v) { return v == 0; }));
        QCOMPARE_LT(largestKink(out), 0.01f);
    }

    // A crackle burst left to die away, and zen's level where chimes are 1.3 million samples
    // apart, reach 0 without passing through the subnormal floats.
    void decaysNeverTurnSubnormal_data() {
        QTest::addColumn<AmbientSound>("sound");
        QTest::addColumn<double>("sampleRate");
        QTest::addColumn<std::size_t>("frames");
        QTest::newRow("crackle") << AmbientSound::Lofi << rate << std::size_t{20000};
        QTest::newRow("zen at 384 kHz") << AmbientSound::Zen << 384000.0 << std::size_t{1340000};
    }
    void decaysNeverTurnSubnormal() {
        QFETCH(AmbientSound, sound);
        QFETCH(double, sampleRate);
        QFETCH(std::size_t, frames);
        ScriptedRandom random;
        random.script().belowAnswers[1] = 0;  // one crackle burst, on the first sample
        random.script().uniforms.push_back(0.1);
        ScriptedSynth synth(sound, sampleRate, random);
        std::vector<float> block(64);
        for (std::size_t done = 0; done < frames; done += block.size()) {
            synth.render(block.data(), block.size(), 1);
            const float level =
                sound == AmbientSound::Lofi ? synth.crackleLevel() : synth.zenLevel();
            if (std::fpclassify(level) == FP_SUBNORMAL) {
                QFAIL(qPrintable(QStringLiteral("subnormal %1 at sample %2").arg(level).arg(done)));
            }
        }
        QCOMPARE(sound == AmbientSound::Lofi ? synth.crackleLevel() : synth.zenLevel(), 0.0f);
    }

    void staysFiniteAndBounded_data() {
        QTest::addColumn<AmbientSound>("sound");
        QTest::addColumn<double>("sampleRate");
        QTest::addColumn<double>("seconds");
        for (auto [name, sound] :
             {std::pair{"rain", AmbientSound::Rain}, std::pair{"lofi", AmbientSound::Lofi},
              std::pair{"zen", AmbientSound::Zen}}) {
            QTest::addRow("%s, ten minutes", name) << sound << 44100.0 << 600.0;
            // Rates no device has: every period is still at least one sample.
            QTest::addRow("%s at 1 Hz", name) << sound << 1.0 << 1000.0;
            QTest::addRow("%s at 0.1 Hz", name) << sound << 0.1 << 10000.0;
            QTest::addRow("%s at 384 kHz", name) << sound << 384000.0 << 10.0;
        }
    }
    void staysFiniteAndBounded() {
        QFETCH(AmbientSound, sound);
        QFETCH(double, sampleRate);
        QFETCH(double, seconds);
        AmbientSynth synth(sound, sampleRate, AmbientRandom(7));
        std::vector<float> block(4096);
        auto left = static_cast<std::size_t>(seconds * sampleRate);
        while (left > 0) {
            const std::size_t frames = std::min(left, block.size());
            synth.render(block.data(), frames, 1);
            for (std::size_t i = 0; i < frames; ++i) {
                if (!(std::abs(block[i]) <= 1.0f)) {
                    QFAIL(qPrintable(QStringLiteral("sample %1 is %2")
                                         .arg(synth.sampleIndex() - frames + i + 1)
                                         .arg(block[i])));
                }
            }
            left -= frames;
        }
    }

    void sampleRateZeroOrLessRunsAt44100_data() {
        QTest::addColumn<double>("sampleRate");
        QTest::newRow("zero") << 0.0;
        QTest::newRow("negative") << -48000.0;
        QTest::newRow("not a number") << std::nan("");
    }
    void sampleRateZeroOrLessRunsAt44100() {
        QFETCH(double, sampleRate);
        for (AmbientSound sound : {AmbientSound::Rain, AmbientSound::Lofi, AmbientSound::Zen}) {
            AmbientSynth odd(sound, sampleRate, AmbientRandom(3));
            AmbientSynth usual(sound, 44100, AmbientRandom(3));
            QCOMPARE(odd.sampleRate(), 44100.0);
            QVERIFY(renderMono(odd, 200000) == renderMono(usual, 200000));
        }
    }

    void everyChannelCarriesTheSameSignalAndZeroFramesWriteNothing() {
        AmbientSynth mono(AmbientSound::Rain, rate, AmbientRandom(11));
        AmbientSynth three(AmbientSound::Rain, rate, AmbientRandom(11));
        const auto expected = renderMono(mono, 5000);
        std::vector<float> out(3 * 5000 + 1, 42.0f);
        three.render(out.data(), 0, 3);
        QCOMPARE(three.sampleIndex(), std::uint64_t{0});
        QCOMPARE(out.front(), 42.0f);
        three.render(out.data(), 5000, 3, 0.5f);
        for (std::size_t f = 0; f < 5000; ++f) {
            for (std::size_t c = 0; c < 3; ++c) {
                QCOMPARE(out[3 * f + c], expected[f] * 0.5f);
            }
        }
        QCOMPARE(out.back(), 42.0f);
    }

    // The fast sine and the running exponentials stay within float precision of the plain loop.
    void matchesThePlainLoop_data() {
        QTest::addColumn<AmbientSound>("sound");
        QTest::addColumn<double>("sampleRate");
        for (double r : {44100.0, 48000.0}) {
            QTest::addRow("rain %g", r) << AmbientSound::Rain << r;
            QTest::addRow("lofi %g", r) << AmbientSound::Lofi << r;
            QTest::addRow("zen %g", r) << AmbientSound::Zen << r;
        }
    }
    void matchesThePlainLoop() {
        QFETCH(AmbientSound, sound);
        QFETCH(double, sampleRate);
        AmbientSynth fast(sound, sampleRate, AmbientRandom(99));
        PlainAmbientSynth<AmbientRandom> plain(sound, sampleRate, AmbientRandom(99));
        const auto frames = static_cast<std::size_t>(sampleRate * 20);
        const auto out = renderMono(fast, frames);
        for (std::size_t i = 0; i < frames; ++i) {
            const float expected = plain.next();
            if (std::abs(out[i] - expected) > 2e-5f) {
                QFAIL(qPrintable(QStringLiteral("sample %1: %2, plainly %3")
                                     .arg(i + 1)
                                     .arg(out[i])
                                     .arg(expected)));
            }
        }
    }

    void rendersWithoutAllocating() {
        std::vector<float> block(2 * 512);
        for (AmbientSound sound : {AmbientSound::Rain, AmbientSound::Lofi, AmbientSound::Zen}) {
            AmbientSynth synth(sound, 48000, AmbientRandom(5));
            const long before = allocations.load();
            for (int call = 0; call < 1000; ++call) {
                synth.render(block.data(), 512, 2);
            }
            QCOMPARE(allocations.load() - before, 0L);
        }
        // The device's side too: a fade from one sound to the next, then glides between volumes.
        AmbientMix mix;
        const auto lofi = std::make_shared<AmbientStream>(AmbientSound::Lofi, 5);
        mix.play(std::make_shared<AmbientStream>(AmbientSound::Rain, 5), 48000);
        mix.play(lofi, 48000);
        const long before = allocations.load();
        for (int call = 0; call < 100; ++call) {
            lofi->setGain(call % 2 == 0 ? 0.2f : 0.6f);
            mix.render(block.data(), 512, 2);
        }
        QCOMPARE(allocations.load() - before, 0L);
    }
};

QTEST_APPLESS_MAIN(TestAmbientSynth)
#include "tst_ambientsynth.moc"
