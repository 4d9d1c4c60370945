// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The three ambient sounds, computed sample by sample. Standard library only: this runs on the
// audio device's real-time thread, so rendering allocates nothing, takes no lock and makes no
// system call; everything it needs is sized when a sound starts.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>

namespace Quorel {

enum class AmbientSound { Off, Rain, Lofi, Zen };

// splitmix64: one add and two multiply-xorshift steps per draw, where mt19937 walks a 5 KB table
// and the standard distributions add divisions. Plenty for noise and trigger dice.
class AmbientRandom {
public:
    explicit AmbientRandom(std::uint64_t seed) : m_state(seed) {}

    // Uniform over [lo, hi], both ends included.
    double uniform(double lo, double hi) {
        constexpr double scale = 1.0 / 9007199254740991.0;  // 1 / (2^53 - 1)
        return lo + (hi - lo) * (static_cast<double>(next() >> 11) * scale);
    }

    // Uniform over 0 .. n - 1, for 1 <= n < 2^32 (multiply-high instead of a division).
    std::uint64_t below(std::uint64_t n) { return ((next() >> 32) * n) >> 32; }

private:
    std::uint64_t next() {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    std::uint64_t m_state;
};

namespace synth_detail {

inline constexpr double twoPi = 6.283185307179586;
inline constexpr double pi = twoPi / 2;
inline constexpr double halfPi = twoPi / 4;

// How long a level takes to reach a new value: long enough that the jump does not click, short
// enough that nobody hears it as a fade.
inline constexpr double rampSeconds = 0.005;

// A decaying level that has fallen out of hearing is 0, before it turns subnormal: subnormal
// floats cost a hundred cycles a multiply on the audio thread.
inline float flushed(float level) {
    return level < 1e-9f ? 0.0f : level;
}

// sin(x) within 7e-10 of std::sin for any |x| below 1e15 (beyond that, std::sin): a reduction to
// [-pi/2, pi/2] and its Taylor polynomial to x^13. The samples are 32-bit floats, so the error
// is far below what they can carry (6e-8 near full scale), and it costs a third of std::sin.
inline double fastSin(double x) {
    if (!(std::abs(x) < 1e15)) {
        return std::sin(x);
    }
    double r = x - twoPi * static_cast<double>(static_cast<std::int64_t>(x * (1 / twoPi)));
    if (r > pi) {
        r -= twoPi;
    } else if (r < -pi) {
        r += twoPi;
    }
    if (r > halfPi) {
        r = pi - r;
    } else if (r < -halfPi) {
        r = -pi - r;
    }
    const double r2 = r * r;
    return r * (1 + r2 * (-1.0 / 6 +
                          r2 * (1.0 / 120 +
                                r2 * (-1.0 / 5040 +
                                      r2 * (1.0 / 362880 +
                                            r2 * (-1.0 / 39916800 + r2 * (1.0 / 6227020800)))))));
}

// A period in samples: at least 1, and below 2^32 for AmbientRandom::below.
inline std::uint64_t period(double samples) {
    return static_cast<std::uint64_t>(std::clamp(samples, 1.0, 4294967295.0));
}

// x >= 0 as an angle in [-pi, pi], in float for the sine kernel below.
inline float reduced(double x) {
    return static_cast<float>(
        x - twoPi * static_cast<double>(static_cast<std::int64_t>(x * (1 / twoPi) + 0.5)));
}

// A phase for sines(): wrapped phases are below 4 pi; only a rate of a few hertz, which no
// device has, lets them run on, and then they must stay within what the kernel reduces.
inline float bounded(double phase) {
    return static_cast<float>(std::min(phase, 1e9));
}

inline constexpr std::size_t block = 64;
using Block = std::array<float, block>;

// The sine of every angle of a block, in place. Angles from -pi to 1e9: brought
// into [-pi, pi] and folded into [-pi/2, pi/2], then the Taylor polynomial to x^11. Within 1e-6
// of std::sin for the wrapped phases here (from 0 to 4 pi), about the resolution of a float
// sample. A fixed count and no branches, so the compiler runs it four floats at a time.
inline void sines(Block& v) {
    constexpr float twoPiF = static_cast<float>(twoPi);
    constexpr float piF = static_cast<float>(pi);
    constexpr float halfPiF = static_cast<float>(halfPi);
    for (std::size_t i = 0; i < block; ++i) {
        const auto turns = static_cast<std::int32_t>(v[i] * (1 / twoPiF) + 0.5f);
        const float r = v[i] - twoPiF * static_cast<float>(turns);
        const float a = std::abs(r);
        // pi - a above pi/2, a below, without a branch
        const float f = a + static_cast<float>(a > halfPiF) * (piF - 2 * a);
        const float f2 = f * f;
        const float p =
            f *
            (1 + f2 * (-1.0f / 6 +
                       f2 * (1.0f / 120 + f2 * (-1.0f / 5040 +
                                                f2 * (1.0f / 362880 + f2 * (-1.0f / 39916800))))));
        v[i] = std::copysign(p, r);
    }
}

}  // namespace synth_detail

// One start of one sound: its whole synthesis state. Random is any source with the two draws of
// AmbientRandom; tests hand in a scripted one.
template <class Random>
class BasicAmbientSynth {
public:
    static constexpr std::size_t dropVoices = 6;

    // A sample rate of 0 or less (or not a number) runs at 44100.
    BasicAmbientSynth(AmbientSound sound, double sampleRate, Random random)
        : m_sound(sound),
          m_sampleRate(sampleRate > 0 && std::isfinite(sampleRate) ? sampleRate : 44100.0),
          m_random(random) {
        using synth_detail::period;
        using synth_detail::twoPi;
        m_secondsPerSample = 1 / m_sampleRate;
        m_dropPeriod = period(m_sampleRate / 14);
        m_chordLength = period(m_sampleRate * 4);
        m_cracklePeriod = period(m_sampleRate / 6);
        m_chimePeriod = period(m_sampleRate * 3.5);
        m_chimeCountdown = m_chimePeriod;
        m_rampLength = period(m_sampleRate * synth_detail::rampSeconds);
        m_perRampLength = 1 / static_cast<double>(m_rampLength);
        const double length = static_cast<double>(m_chordLength);
        m_perChordLength = 1 / length;
        m_envStep = std::exp(-1.45 / length);
        m_harmonicStep = std::exp(-4 / length);
        for (std::size_t c = 0; c < 4; ++c) {
            for (std::size_t k = 0; k < 4; ++k) {
                m_chordStep[c][k] = chords[c][k] * twoPi / m_sampleRate;
            }
        }
        m_zenRootStep = m_zenRoot * twoPi / m_sampleRate;
        m_zenFifthStep = m_zenFifth * twoPi / m_sampleRate;
        m_dropFreqs.fill(900);
        m_dropSteps.fill(900 * twoPi / m_sampleRate);
    }

    // Writes frames samples to each of channels interleaved channels, all the same, times gain.
    void render(float* out, std::size_t frames, std::size_t channels, float gain = 1) noexcept {
        switch (m_sound) {
            case AmbientSound::Off:
                each(out, frames, channels, gain, [] { return 0.0f; });
                break;
            case AmbientSound::Rain:
                each(out, frames, channels, gain, [this] { return rain(); });
                break;
            case AmbientSound::Lofi:
                blocks(out, frames, channels, gain, &BasicAmbientSynth::lofi);
                break;
            case AmbientSound::Zen:
                blocks(out, frames, channels, gain, &BasicAmbientSynth::zen);
                break;
        }
    }

    AmbientSound sound() const { return m_sound; }
    double sampleRate() const { return m_sampleRate; }
    // How many samples have been rendered.
    std::uint64_t sampleIndex() const { return m_sampleIndex; }
    float dropLevel(std::size_t voice) const { return m_dropAmps[voice]; }
    double dropFrequency(std::size_t voice) const { return m_dropFreqs[voice]; }
    double dropPhase(std::size_t voice) const { return m_dropPhases[voice]; }
    float crackleLevel() const { return m_crackleLevel; }
    float zenLevel() const { return m_zenLevel; }
    Random& random() { return m_random; }

    // Lo-fi chords in cycle order (Hz): Fmaj7, Em7, Dm7, Cmaj7.
    static constexpr std::array<std::array<double, 4>, 4> chords{{
        {174.61, 220.0, 261.63, 329.63},
        {164.81, 196.0, 246.94, 293.66},
        {146.83, 174.61, 220.0, 261.63},
        {130.81, 164.81, 196.0, 246.94},
    }};
    // Zen chime roots: C4 E4 G4 C5 E5.
    static constexpr std::array<double, 5> zenScale{261.63, 329.63, 392.0, 523.25, 659.25};

private:
    template <class Sample>
    void each(float* out, std::size_t frames, std::size_t channels, float gain, Sample sample) {
        for (std::size_t f = 0; f < frames; ++f) {
            ++m_sampleIndex;
            const float s = sample() * gain;
            for (std::size_t c = 0; c < channels; ++c) {
                out[f * channels + c] = s;
            }
        }
    }

    // Lo-fi and zen run a block at a time: a pass in sample order for the state, the phases and
    // the random draws, then the sines of the whole block at once.
    void blocks(float* out, std::size_t frames, std::size_t channels, float gain,
                void (BasicAmbientSynth::*fill)(synth_detail::Block&, std::size_t)) {
        synth_detail::Block samples;
        for (std::size_t done = 0; done < frames;) {
            const std::size_t n = std::min(frames - done, synth_detail::block);
            (this->*fill)(samples, n);
            for (std::size_t i = 0; i < n; ++i) {
                const float s = samples[i] * gain;
                for (std::size_t c = 0; c < channels; ++c) {
                    out[(done + i) * channels + c] = s;
                }
            }
            done += n;
        }
    }

    static double wrap(double phase) {
        return phase > synth_detail::twoPi ? phase - synth_detail::twoPi : phase;
    }

    // Filtered noise plus up to six decaying water drops.
    float rain() {
        const auto w = static_cast<float>(m_random.uniform(-1, 1));
        const float x = w - 0.85f * m_noisePrev;
        m_noisePrev = w;
        m_noiseLowpass = m_noiseLowpass * 0.72f + x * 0.28f;

        if (m_random.below(m_dropPeriod) == 0) {
            // A new drop takes the first quiet voice; with none quiet it is lost, never stolen.
            for (std::size_t j = 0; j < dropVoices; ++j) {
                if (m_dropAmps[j] < 0.01f) {
                    m_dropFreqs[j] = m_random.uniform(750, 2300);
                    m_dropSteps[j] = m_dropFreqs[j] * synth_detail::twoPi / m_sampleRate;
                    m_dropAmps[j] = static_cast<float>(m_random.uniform(0.12, 0.28));
                    m_dropPhases[j] = 0;
                    break;
                }
            }
        }

        float sum = 0;
        for (std::size_t j = 0; j < dropVoices; ++j) {
            if (m_dropAmps[j] > 0.001f) {
                m_dropPhases[j] = wrap(m_dropPhases[j] + m_dropSteps[j]);
                const float a = m_dropAmps[j];
                m_dropAmps[j] = a * 0.9985f;
                sum += a * static_cast<float>(synth_detail::fastSin(m_dropPhases[j]));
            }
        }
        return sum * 0.35f + m_noiseLowpass * 0.12f;
    }

    // Four seventh chords of four seconds each, with vibrato, plus vinyl crackle.
    void lofi(synth_detail::Block& samples, std::size_t n) {
        using synth_detail::Block;
        using synth_detail::bounded;
        using synth_detail::reduced;
        using synth_detail::sines;
        Block vib{};
        for (std::size_t i = 0; i < n; ++i) {
            const double t = static_cast<double>(m_sampleIndex + 1 + i) * m_secondsPerSample;
            vib[i] = reduced(t * 2.827433388230814);
        }
        sines(vib);

        std::array<Block, 4> notes{};
        std::array<Block, 4> octaves{};
        Block env{};
        Block harmonic{};
        Block crackle{};
        for (std::size_t i = 0; i < n; ++i) {
            ++m_sampleIndex;
            // Position and chord follow the sample index without a division per sample; the
            // two exponentials of the position are running products, restarted with each chord.
            if (++m_chordPosition == m_chordLength) {
                m_chordPosition = 0;
                m_chord = (m_chord + 1) % 4;
                m_envDecay = 1;
                m_harmonic = 1;
            } else {
                m_envDecay *= m_envStep;
                m_harmonic *= m_harmonicStep;
            }
            const double pos = static_cast<double>(m_chordPosition) * m_perChordLength;
            // The chord's end falls to 0, where the next one starts, instead of dropping there.
            const std::uint64_t left = m_chordLength - m_chordPosition;
            const double release =
                left < m_rampLength ? static_cast<double>(left) * m_perRampLength : 1.0;
            env[i] = static_cast<float>(m_envDecay * std::min(18 * pos, 1.0) * release);
            harmonic[i] = static_cast<float>(m_harmonic * 0.22);
            const double wobble = 1 + 0.0025 * static_cast<double>(vib[i]);
            for (std::size_t k = 0; k < 4; ++k) {
                const double p = m_chordPhases[k] =
                    wrap(m_chordPhases[k] + wobble * m_chordStep[m_chord][k]);
                notes[k][i] = bounded(p);
                octaves[k][i] = bounded(2 * p);
            }
            if (m_random.below(m_cracklePeriod) == 0) {
                m_crackleLevel = static_cast<float>(m_random.uniform(0.04, 0.1));
            }
            const float m = m_crackleLevel;
            const auto noise = static_cast<float>(m_random.uniform(-1, 1));
            m_crackleLevel = synth_detail::flushed(m_crackleLevel * 0.96f);
            crackle[i] = m * noise * 0.25f;
        }
        for (std::size_t k = 0; k < 4; ++k) {
            sines(notes[k]);
            sines(octaves[k]);
        }
        for (std::size_t i = 0; i < synth_detail::block; ++i) {
            float sum = 0;
            for (std::size_t k = 0; k < 4; ++k) {
                sum += (notes[k][i] + harmonic[i] * octaves[k][i]) * 0.14f;
            }
            samples[i] = sum * env[i] + crackle[i];
        }
    }

    // A root and its fifth, rechosen every 3.5 seconds, fading and swelling.
    void zen(synth_detail::Block& samples, std::size_t n) {
        using synth_detail::Block;
        using synth_detail::bounded;
        using synth_detail::reduced;
        using synth_detail::sines;
        using synth_detail::twoPi;
        Block root{};
        Block fifth{};
        Block swell{};
        Block level{};
        for (std::size_t i = 0; i < n; ++i) {
            ++m_sampleIndex;
            if (--m_chimeCountdown == 0) {
                m_chimeCountdown = m_chimePeriod;
                m_zenRoot = zenScale[static_cast<std::size_t>(m_random.below(zenScale.size()))];
                m_zenFifth = m_zenRoot * 1.5;
                // A chime rises to its level instead of striking it at once.
                m_zenAttack = m_rampLength;
                m_zenAttackStep = (0.35f - m_zenLevel) / static_cast<float>(m_rampLength);
                m_zenRootStep = m_zenRoot * twoPi / m_sampleRate;
                m_zenFifthStep = m_zenFifth * twoPi / m_sampleRate;
            }
            m_zenPhaseRoot = wrap(m_zenPhaseRoot + m_zenRootStep);
            m_zenPhaseFifth = wrap(m_zenPhaseFifth + m_zenFifthStep);
            root[i] = bounded(m_zenPhaseRoot);
            fifth[i] = bounded(m_zenPhaseFifth);
            const double t = static_cast<double>(m_sampleIndex) * m_secondsPerSample;
            swell[i] = reduced(t * 1.2566370614359172);
            if (m_zenAttack > 0) {
                --m_zenAttack;
                m_zenLevel = m_zenAttack == 0 ? 0.35f : m_zenLevel + m_zenAttackStep;
                level[i] = m_zenLevel;
            } else {
                level[i] = m_zenLevel;
                m_zenLevel = synth_detail::flushed(m_zenLevel * 0.99993f);
            }
        }
        sines(root);
        sines(fifth);
        sines(swell);
        for (std::size_t i = 0; i < synth_detail::block; ++i) {
            samples[i] =
                level[i] * (0.65f * root[i] + 0.25f * fifth[i]) * (0.75f + 0.25f * swell[i]);
        }
    }

    AmbientSound m_sound;
    double m_sampleRate;
    double m_secondsPerSample;
    std::uint64_t m_rampLength;
    double m_perRampLength;
    Random m_random;
    std::uint64_t m_sampleIndex = 0;

    std::uint64_t m_dropPeriod;
    float m_noisePrev = 0;
    float m_noiseLowpass = 0;
    std::array<float, dropVoices> m_dropAmps{};
    std::array<double, dropVoices> m_dropFreqs{};
    std::array<double, dropVoices> m_dropSteps{};
    std::array<double, dropVoices> m_dropPhases{};

    std::uint64_t m_chordLength;
    std::uint64_t m_chordPosition = 0;
    std::size_t m_chord = 0;
    double m_perChordLength;
    double m_envStep;
    double m_harmonicStep;
    double m_envDecay = 1;
    double m_harmonic = 1;
    std::array<std::array<double, 4>, 4> m_chordStep{};
    std::array<double, 4> m_chordPhases{};
    std::uint64_t m_cracklePeriod;
    float m_crackleLevel = 0;

    std::uint64_t m_chimePeriod;
    std::uint64_t m_chimeCountdown;
    double m_zenRoot = 261.63;
    double m_zenFifth = 392.0;  // the just fifth of 261.63 would be 392.445
    float m_zenLevel = 0.4f;
    std::uint64_t m_zenAttack = 0;
    float m_zenAttackStep = 0;
    double m_zenRootStep;
    double m_zenFifthStep;
    double m_zenPhaseRoot = 0;
    double m_zenPhaseFifth = 0;
};

using AmbientSynth = BasicAmbientSynth<AmbientRandom>;
extern template class BasicAmbientSynth<AmbientRandom>;

}  // namespace Quorel
