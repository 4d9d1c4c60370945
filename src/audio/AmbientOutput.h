// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "AmbientStream.h"

#include <memory>

namespace Quorel {

// An audio device that pulls the ambient sound on a thread of its own. Main thread only; no call
// waits for the device.
class AmbientOutput {
public:
    virtual ~AmbientOutput() = default;

    // Plays stream from now on, once the sound before it has faded out. The device opens when it
    // can, and opens again after it is lost, for as long as the stream is wanted.
    virtual void play(std::shared_ptr<AmbientStream> stream) = 0;

    // Fades out and lets the device go.
    virtual void stop() = 0;

    // A new gain for the playing stream. An output that pulls often lets the stream take it at
    // its next buffer; one that queues sound far ahead sets it itself once it has taken back what
    // it queued at the old one.
    virtual void setGain(const std::shared_ptr<AmbientStream>& stream, float gain) {
        stream->setGain(gain);
    }
};

}  // namespace Quorel
