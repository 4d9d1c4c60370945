#pragma once

#include "AmbientOutput.h"

#include <chrono>
#include <cstdint>
#include <memory>

namespace Quorel {

// The ambient sound through SDL2's audio subsystem alone: SDL's own thread pulls each buffer from
// the stream. SDL starts on the first sound, not with the app, so a user who never plays one never
// connects to the sound server. Without a device the app stays silent and says so once.
//
// Starting SDL and opening and closing the device run on a thread of this output's: a sound server
// that takes the connection and never answers holds SDL for as long as libpulse waits (half a
// minute), and the caller must not wait with it. open() waits for that thread for `patience` at
// most; a device that opens later is closed again unheard, and until that thread is free again
// every open() fails at once.
class SdlAmbientOutput final : public AmbientOutput {
public:
    explicit SdlAmbientOutput(std::chrono::milliseconds patience = std::chrono::seconds(2));
    ~SdlAmbientOutput() override;
    SdlAmbientOutput(const SdlAmbientOutput&) = delete;
    SdlAmbientOutput& operator=(const SdlAmbientOutput&) = delete;

    std::optional<double> open() override;
    bool start(AmbientStream& stream) override;
    void close() override;
    bool isPlaying() const override;

private:
    struct Worker;

    void sayMissing(const char* why);

    std::chrono::milliseconds m_patience;
    // Shared with the device thread, which may outlive this when SDL never returns.
    std::shared_ptr<Worker> m_worker;
    bool m_saidMissing = false;
    std::uint32_t m_device = 0;
};

}  // namespace Quorel
