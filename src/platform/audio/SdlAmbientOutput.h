#pragma once

#include "AmbientOutput.h"

#include <atomic>
#include <cstdint>

namespace Quorel {

// The ambient sound through SDL2's audio subsystem alone: SDL's own thread pulls each buffer from
// the stream. SDL starts on the first sound, not with the app, so a user who never plays one never
// connects to the sound server. Without a device the app stays silent and says so once.
class SdlAmbientOutput final : public AmbientOutput {
public:
    SdlAmbientOutput() = default;
    ~SdlAmbientOutput() override;
    SdlAmbientOutput(const SdlAmbientOutput&) = delete;
    SdlAmbientOutput& operator=(const SdlAmbientOutput&) = delete;

    std::optional<double> open() override;
    bool start(AmbientStream& stream) override;
    void close() override;
    bool isPlaying() const override;

private:
    static void fill(void* self, std::uint8_t* bytes, int length);
    void sayMissing(const char* why);

    bool m_sdlStarted = false;
    bool m_saidMissing = false;
    std::uint32_t m_device = 0;
    std::size_t m_channels = 0;
    // Written on the main thread while the device is paused, read by SDL's thread.
    std::atomic<AmbientStream*> m_stream{nullptr};
};

}  // namespace Quorel
