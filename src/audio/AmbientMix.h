// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "AmbientStream.h"

#include <cstddef>
#include <memory>

namespace Quorel {

// What a device plays: one stream, and when another takes its place, the old one fades out
// before the new one rises. play() and stop() run under the device's lock (or on its thread);
// render() runs on the device's thread and never releases a stream, so no memory is freed there.
class AmbientMix {
public:
    // From now on stream plays at sampleRate, after the stream before it, if any, has faded out.
    // The stream that plays already just comes back up if it was fading out.
    void play(std::shared_ptr<AmbientStream> stream, double sampleRate);
    // Everything fades out.
    void stop();
    // Drops the streams that have faded out; true when nothing is left to play.
    bool collect();
    // Drops every stream at once, for a device that is closed or does not pull yet.
    void clear();

    const std::shared_ptr<AmbientStream>& playing() const { return m_playing; }

    void render(float* out, std::size_t frames, std::size_t channels) noexcept;

private:
    std::shared_ptr<AmbientStream> m_playing;
    std::shared_ptr<AmbientStream> m_next;  // waits for m_playing to fade out
};

}  // namespace Quorel
