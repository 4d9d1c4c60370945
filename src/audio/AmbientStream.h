#pragma once

#include "AmbientSynth.h"

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace Quorel {

// What an audio device pulls from while one sound plays: that sound's synth, owned by the device's
// thread once playing, and the gain, the one value the main thread changes meanwhile.
class AmbientStream {
public:
    AmbientStream(AmbientSound sound, double sampleRate, std::uint64_t seed);

    // Main thread: takes effect from the next buffer the device pulls.
    void setGain(float gain) noexcept { m_gain.store(gain, std::memory_order_relaxed); }
    float gain() const noexcept { return m_gain.load(std::memory_order_relaxed); }

    // Device thread: fills frames of channels interleaved floats, every channel the same.
    void render(float* out, std::size_t frames, std::size_t channels) noexcept;

    const AmbientSynth& synth() const { return m_synth; }

private:
    static_assert(std::atomic<float>::is_always_lock_free);

    AmbientSynth m_synth;
    std::atomic<float> m_gain{1.0f};
};

}  // namespace Quorel
