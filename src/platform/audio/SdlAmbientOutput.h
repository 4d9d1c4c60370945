// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "AmbientOutput.h"

#include <memory>

namespace Quorel {

// The ambient sound through SDL2's audio subsystem alone: SDL's own thread pulls each buffer from
// the stream. SDL starts on the first sound, not with the app, so a user who never plays one never
// connects to the sound server. Without a device the app stays silent and says so once.
//
// Every SDL call runs on a thread of this output's; the caller only leaves word of what should
// play. Closing a device waits for SDL's thread, which waits for the sound server to ask for
// more (1.5 s on a sink that buffers that much), and a sound server that takes the connection
// and never answers holds SDL for half a minute: neither may hold the GUI.
//
// One device serves every sound: a new sound replaces the old one on the open device. A device
// that goes away (the sound server ended, the card was unplugged) is noticed within a quarter of a
// second and opened again, with a growing wait between tries, for as long as a sound is wanted.
class SdlAmbientOutput final : public AmbientOutput {
public:
    SdlAmbientOutput();
    ~SdlAmbientOutput() override;
    SdlAmbientOutput(const SdlAmbientOutput&) = delete;
    SdlAmbientOutput& operator=(const SdlAmbientOutput&) = delete;

    void play(std::shared_ptr<AmbientStream> stream) override;
    void stop() override;

    // Whether a device is open now.
    bool hasDevice() const;

private:
    struct Worker;

    // Shared with the device thread, which may outlive this when SDL never returns.
    std::shared_ptr<Worker> m_worker;
};

}  // namespace Quorel
