// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "AmbientMix.h"

#include <algorithm>
#include <cstring>

namespace Quorel {

void AmbientMix::play(std::shared_ptr<AmbientStream> stream, double sampleRate) {
    collect();
    if (stream == m_playing) {
        m_playing->resume();
        m_next.reset();
        return;
    }
    stream->prepare(sampleRate);
    if (!m_playing) {
        m_playing = std::move(stream);
        return;
    }
    m_playing->fadeOut();
    m_next = std::move(stream);
}

void AmbientMix::stop() {
    collect();
    if (m_playing) {
        m_playing->fadeOut();
    }
    m_next.reset();
}

bool AmbientMix::collect() {
    if (m_playing && m_playing->faded()) {
        m_playing = std::move(m_next);
    }
    return !m_playing;
}

void AmbientMix::clear() {
    m_playing.reset();
    m_next.reset();
}

void AmbientMix::render(float* out, std::size_t frames, std::size_t channels) noexcept {
    std::size_t done = 0;
    if (m_playing && !m_playing->faded()) {
        const std::size_t fade = m_playing->framesToSilence();
        done = m_playing->fadingOut() ? std::min(frames, fade) : frames;
        m_playing->render(out, done, channels);
    }
    if (done == frames) {
        return;
    }
    float* rest = out + done * channels;
    if (m_next && (!m_playing || m_playing->faded())) {
        m_next->render(rest, frames - done, channels);
    } else {
        std::memset(rest, 0, (frames - done) * channels * sizeof(float));
    }
}

}  // namespace Quorel
