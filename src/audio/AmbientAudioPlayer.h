// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "AmbientOutput.h"
#include "AmbientStream.h"
#include "ports/AmbientPlayer.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace Quorel {

// Plays the chosen ambient sound on an output, or nothing. A new sound starts a fresh synth; the
// same sound keeps playing and only takes the new volume. The output brings the sound back by
// itself when its device comes back. Main thread only.
class AmbientAudioPlayer final : public AmbientPlayer {
public:
    using SeedSource = std::function<std::uint64_t()>;

    // Seeds come from the system's random source unless a test gives its own.
    explicit AmbientAudioPlayer(std::unique_ptr<AmbientOutput> output, SeedSource seeds = {});
    ~AmbientAudioPlayer() override;

    void update(AmbientSoundType type, bool shouldPlay, double volume) override;
    void stop();

    AmbientSoundType currentType() const { return m_currentType; }
    float volume() const { return m_volume; }
    // The stream the output plays, or nullptr when silent.
    const AmbientStream* stream() const { return m_stream.get(); }

private:
    void start(AmbientSoundType type);

    std::unique_ptr<AmbientOutput> m_output;
    SeedSource m_seeds;
    std::shared_ptr<AmbientStream> m_stream;
    AmbientSoundType m_currentType = AmbientSoundType::Off;
    float m_volume = 0.25f;
};

}  // namespace Quorel
