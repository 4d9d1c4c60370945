// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The ambient sounds written the plain way: one call per sample, std::sin and std::exp on every
// use, divisions for the chord position and the chime clock. The yardstick that AmbientSynth's
// output is checked against and its speed is measured against.

#include "AmbientSynth.h"

#include <array>
#include <cmath>
#include <cstdint>

namespace Quorel {

template <class Random>
class PlainAmbientSynth {
public:
    PlainAmbientSynth(AmbientSound sound, double sampleRate, Random random)
        : m_sound(sound),
          m_sampleRate(sampleRate > 0 ? sampleRate : 44100),
          m_random(random),
          m_ramp(synth_detail::period(m_sampleRate * synth_detail::rampSeconds)) {}

    float next() {
        ++m_sampleIndex;
        const double t = static_cast<double>(m_sampleIndex) / m_sampleRate;
        switch (m_sound) {
            case AmbientSound::Rain:
                return rain();
            case AmbientSound::Lofi:
                return lofi(t);
            case AmbientSound::Zen:
                return zen(t);
            case AmbientSound::Off:
                break;
        }
        return 0;
    }

private:
    static constexpr double twoPi = 6.283185307179586;

    float rain() {
        const auto w = static_cast<float>(m_random.uniform(-1, 1));
        const float x = w - 0.85f * m_noisePrev;
        m_noisePrev = w;
        m_noiseLowpass = m_noiseLowpass * 0.72f + x * 0.28f;
        if (m_random.below(static_cast<std::uint64_t>(m_sampleRate / 14)) == 0) {
            for (std::size_t j = 0; j < 6; ++j) {
                if (m_dropAmps[j] < 0.01f) {
                    m_dropFreqs[j] = m_random.uniform(750, 2300);
                    m_dropAmps[j] = static_cast<float>(m_random.uniform(0.12, 0.28));
                    m_dropPhases[j] = 0;
                    break;
                }
            }
        }
        float sum = 0;
        for (std::size_t j = 0; j < 6; ++j) {
            if (m_dropAmps[j] > 0.001f) {
                m_dropPhases[j] += m_dropFreqs[j] * twoPi / m_sampleRate;
                if (m_dropPhases[j] > twoPi) {
                    m_dropPhases[j] -= twoPi;
                }
                const float a = m_dropAmps[j];
                m_dropAmps[j] = a * 0.9985f;
                sum += a * static_cast<float>(std::sin(m_dropPhases[j]));
            }
        }
        return sum * 0.35f + m_noiseLowpass * 0.12f;
    }

    float lofi(double t) {
        const auto n = static_cast<std::uint64_t>(m_sampleRate * 4);
        const double pos = static_cast<double>(m_sampleIndex % n) / static_cast<double>(n);
        const auto& chord = AmbientSynth::chords[(m_sampleIndex / n) % 4];
        const double release =
            std::min(1.0, static_cast<double>(n - m_sampleIndex % n) / static_cast<double>(m_ramp));
        const auto env =
            static_cast<float>(std::exp(-1.45 * pos) * std::min(18 * pos, 1.0) * release);
        const double vib = 1 + 0.0025 * std::sin(t * 2.827433388230814);
        const double h = std::exp(-4 * pos);
        float sum = 0;
        for (std::size_t k = 0; k < 4; ++k) {
            m_chordPhases[k] += vib * chord[k] * twoPi / m_sampleRate;
            if (m_chordPhases[k] > twoPi) {
                m_chordPhases[k] -= twoPi;
            }
            const double p = m_chordPhases[k];
            sum += static_cast<float>(std::sin(p) + h * 0.22 * std::sin(2 * p)) * 0.14f;
        }
        if (m_random.below(static_cast<std::uint64_t>(m_sampleRate / 6)) == 0) {
            m_crackleLevel = static_cast<float>(m_random.uniform(0.04, 0.1));
        }
        const float m = m_crackleLevel;
        const auto noise = static_cast<float>(m_random.uniform(-1, 1));
        m_crackleLevel = synth_detail::flushed(m_crackleLevel * 0.96f);
        return sum * env + m * noise * 0.25f;
    }

    float zen(double t) {
        if (m_sampleIndex % static_cast<std::uint64_t>(m_sampleRate * 3.5) == 0) {
            m_zenRoot = AmbientSynth::zenScale[m_random.below(5)];
            m_zenFifth = m_zenRoot * 1.5;
            m_zenAttack = m_ramp;
            m_zenAttackFrom = m_zenLevel;
        }
        m_zenPhaseRoot += m_zenRoot * twoPi / m_sampleRate;
        m_zenPhaseFifth += m_zenFifth * twoPi / m_sampleRate;
        if (m_zenPhaseRoot > twoPi) {
            m_zenPhaseRoot -= twoPi;
        }
        if (m_zenPhaseFifth > twoPi) {
            m_zenPhaseFifth -= twoPi;
        }
        const auto swell = static_cast<float>(0.75 + 0.25 * std::sin(t * 1.2566370614359172));
        float a = m_zenLevel;
        if (m_zenAttack > 0) {
            --m_zenAttack;
            const double risen =
                static_cast<double>(m_ramp - m_zenAttack) / static_cast<double>(m_ramp);
            a = m_zenLevel = static_cast<float>(m_zenAttackFrom + (0.35 - m_zenAttackFrom) * risen);
        } else {
            m_zenLevel = synth_detail::flushed(a * 0.99993f);
        }
        return a *
               static_cast<float>(0.65 * std::sin(m_zenPhaseRoot) +
                                  0.25 * std::sin(m_zenPhaseFifth)) *
               swell;
    }

    AmbientSound m_sound;
    double m_sampleRate;
    Random m_random;
    std::uint64_t m_ramp;
    std::uint64_t m_sampleIndex = 0;
    float m_noisePrev = 0;
    float m_noiseLowpass = 0;
    std::array<float, 6> m_dropAmps{};
    std::array<double, 6> m_dropFreqs{900, 900, 900, 900, 900, 900};
    std::array<double, 6> m_dropPhases{};
    std::array<double, 4> m_chordPhases{};
    float m_crackleLevel = 0;
    double m_zenRoot = 261.63;
    double m_zenFifth = 392.0;
    float m_zenLevel = 0.4f;
    std::uint64_t m_zenAttack = 0;
    float m_zenAttackFrom = 0;
    double m_zenPhaseRoot = 0;
    double m_zenPhaseFifth = 0;
};

}  // namespace Quorel
