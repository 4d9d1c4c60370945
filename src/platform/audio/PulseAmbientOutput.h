// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "AmbientOutput.h"

#include <memory>

namespace Quorel {

// The ambient sound as one stream to the PulseAudio server (or PipeWire's, which speaks its
// protocol), through libpulse's asynchronous API on a thread of this output's.
//
// The stream queues about a second ahead, so the thread wakes about twice a second: each wake
// costs more than the synth does for the sound it brings. A change (another sound, a stop, a new
// volume) is not left to wait behind what is queued: the thread asks the server how far it has
// read and writes the queue again from a little way past that, the old sound fading into the new
// one there. The server hears a change about a tenth of a second after the call.
//
// A server that goes away is noticed at once and asked again with a growing wait, for as long as a
// sound is wanted; no call waits for the server.
class PulseAmbientOutput final : public AmbientOutput {
public:
    PulseAmbientOutput();
    ~PulseAmbientOutput() override;
    PulseAmbientOutput(const PulseAmbientOutput&) = delete;
    PulseAmbientOutput& operator=(const PulseAmbientOutput&) = delete;

    void play(std::shared_ptr<AmbientStream> stream) override;
    void stop() override;
    void setGain(const std::shared_ptr<AmbientStream>& stream, float gain) override;

    // Whether a stream to the server is open now.
    bool hasDevice() const;

    // Whether this session has a sound server to ask (its socket, or one named in PULSE_SERVER).
    // Where it has none, ALSA through SDL is the better bet.
    static bool serverExpected();

private:
    struct Worker;

    // Shared with the thread, which may outlive this when it is held up.
    std::shared_ptr<Worker> m_worker;
};

}  // namespace Quorel
