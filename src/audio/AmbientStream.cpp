// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "AmbientStream.h"

namespace Quorel {

AmbientStream::AmbientStream(AmbientSound sound, std::uint64_t seed)
    : m_sound(sound), m_seed(seed) {}

void AmbientStream::prepare(double sampleRate) {
    if (!m_synth || sampleRate != m_preparedRate) {
        m_synth.emplace(m_sound, sampleRate, AmbientRandom(m_seed));
        m_preparedRate = sampleRate;
    }
    m_glideLength = synth_detail::period(m_synth->sampleRate() * synth_detail::rampSeconds);
    m_level = 0;
    m_target = 0;
    m_glideLeft = 0;
    m_fadingOut = false;
}

std::size_t AmbientStream::framesToSilence() const noexcept {
    if (!m_fadingOut || m_level == 0) {
        return 0;
    }
    // A glide to 0 that has begun runs its course; otherwise the next buffer starts a full one.
    return m_target == 0 && m_glideLeft > 0 ? m_glideLeft : m_glideLength;
}

void AmbientStream::settle() noexcept {
    if (!m_fadingOut) {
        m_level = m_target = gain();
        m_glideLeft = 0;
    }
}

void AmbientStream::render(float* out, std::size_t frames, std::size_t channels) noexcept {
    // Read once per buffer: a change starts at a buffer's start and glides from there.
    const float target = m_fadingOut ? 0.0f : gain();
    if (target != m_target) {
        m_target = target;
        m_glideLeft = m_glideLength;
        m_step = (m_target - m_level) / static_cast<float>(m_glideLength);
    }
    if (m_glideLeft == 0) {
        m_synth->render(out, frames, channels, m_level);
        return;
    }
    m_synth->render(out, frames, channels, 1);
    for (std::size_t f = 0; f < frames; ++f) {
        if (m_glideLeft > 0) {
            --m_glideLeft;
            m_level = m_glideLeft == 0 ? m_target : m_level + m_step;
        }
        for (std::size_t c = 0; c < channels; ++c) {
            out[f * channels + c] *= m_level;
        }
    }
}

}  // namespace Quorel
