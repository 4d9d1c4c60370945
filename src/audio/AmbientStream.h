// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "AmbientSynth.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace Quorel {

// One start of one sound as a device plays it: its synth, made once the device's rate is known,
// and its gain, which the main thread sets and the device thread glides to. Every change of level
// (start, volume, stop) takes a few milliseconds: a level that jumps clicks.
class AmbientStream {
public:
    AmbientStream(AmbientSound sound, std::uint64_t seed);

    // Main thread: the volume, reached within a few milliseconds of the next buffer.
    void setGain(float gain) noexcept { m_gain.store(gain, std::memory_order_relaxed); }
    float gain() const noexcept { return m_gain.load(std::memory_order_relaxed); }
    AmbientSound sound() const { return m_sound; }

    // Device side, while no device pulls from this stream. A synth for sampleRate, kept when the
    // rate is that of the last device, so that a stream that comes back carries on where it was;
    // either way it rises from silence.
    void prepare(double sampleRate);

    // Device thread (or under the device's lock): fades to silence; resume() comes back up.
    void fadeOut() noexcept { m_fadingOut = true; }
    void resume() noexcept { m_fadingOut = false; }
    bool fadingOut() const noexcept { return m_fadingOut; }
    // Faded out and silent: it has nothing more to play.
    bool faded() const noexcept { return m_fadingOut && m_level == 0 && m_glideLeft == 0; }
    // How many frames the fade out still takes (0 once faded).
    std::size_t framesToSilence() const noexcept;
    // The level the last buffer ended on.
    float level() const noexcept { return m_level; }
    // The level is the gain from the next buffer on, without a glide: for an output that has put
    // the new gain, glide and all, into the sound it rendered already.
    void settle() noexcept;

    // Device thread, after prepare(): fills frames of channels interleaved floats, every channel
    // the same.
    void render(float* out, std::size_t frames, std::size_t channels) noexcept;

    // nullptr until prepared.
    const AmbientSynth* synth() const { return m_synth ? &*m_synth : nullptr; }

private:
    static_assert(std::atomic<float>::is_always_lock_free);

    const AmbientSound m_sound;
    const std::uint64_t m_seed;
    std::atomic<float> m_gain{1.0f};

    std::optional<AmbientSynth> m_synth;
    double m_preparedRate = 0;
    std::size_t m_glideLength = 1;
    // The level glides along a straight line to its target, m_glideLeft samples to go.
    float m_level = 0;
    float m_target = 0;
    float m_step = 0;
    std::size_t m_glideLeft = 0;
    bool m_fadingOut = false;
};

}  // namespace Quorel
