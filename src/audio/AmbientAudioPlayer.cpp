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
    m_volume = static_cast<float>(volume);
    if (!shouldPlay || type == AmbientSoundType::Off) {
        stop();
        return;
    }
    if (type == m_currentType && m_stream && m_output->isPlaying()) {
        m_stream->setGain(m_volume);
        return;
    }
    start(type);
}

void AmbientAudioPlayer::stop() {
    if (m_stream) {
        m_output->close();  // the device lets go of the stream before it is freed
        m_stream.reset();
    }
    m_currentType = AmbientSoundType::Off;
}

void AmbientAudioPlayer::start(AmbientSoundType type) {
    stop();
    // Kept even when the device fails below, so the next update with this sound tries again.
    m_currentType = type;
    const std::optional<double> sampleRate = m_output->open();
    if (!sampleRate) {
        return;
    }
    auto stream = std::make_unique<AmbientStream>(synthSound(type), *sampleRate, m_seeds());
    stream->setGain(m_volume);
    if (m_output->start(*stream)) {
        m_stream = std::move(stream);
    }
}

}  // namespace Quorel
