// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "AmbientAudioPlayer.h"

#include <random>

namespace Quorel {

namespace {

AmbientSound synthSound(AmbientSoundType type) {
    switch (type) {
        case AmbientSoundType::Rain:
            return AmbientSound::Rain;
        case AmbientSoundType::Lofi:
            return AmbientSound::Lofi;
        case AmbientSoundType::Zen:
            return AmbientSound::Zen;
        case AmbientSoundType::Off:
            break;
    }
    return AmbientSound::Off;
}

std::uint64_t systemSeed() {
    std::random_device device;
    return (std::uint64_t{device()} << 32) | device();
}

}  // namespace

AmbientAudioPlayer::AmbientAudioPlayer(std::unique_ptr<AmbientOutput> output, SeedSource seeds)
    : m_output(std::move(output)), m_seeds(seeds ? std::move(seeds) : SeedSource(systemSeed)) {}

AmbientAudioPlayer::~AmbientAudioPlayer() {
    stop();
}

void AmbientAudioPlayer::update(AmbientSoundType type, bool shouldPlay, double volume) {
    const float before = m_volume;  // the playing stream's gain
    m_volume = static_cast<float>(volume);
    if (!shouldPlay || type == AmbientSoundType::Off) {
        stop();
        return;
    }
    if (type == m_currentType && m_stream) {
        if (m_volume != before) {
            m_output->setGain(m_stream, m_volume);
        }
        return;
    }
    start(type);
}

void AmbientAudioPlayer::stop() {
    if (m_stream) {
        m_output->stop();
        m_stream.reset();
    }
    m_currentType = AmbientSoundType::Off;
}

void AmbientAudioPlayer::start(AmbientSoundType type) {
    // No stop() first: the output fades the old sound out itself, and keeps its device.
    m_currentType = type;
    m_stream = std::make_shared<AmbientStream>(synthSound(type), m_seeds());
    m_stream->setGain(m_volume);
    m_output->play(m_stream);
}

}  // namespace Quorel
