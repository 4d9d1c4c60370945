#include "SdlAmbientOutput.h"

#include "AmbientStream.h"

#include <QtGlobal>

#include <SDL.h>

#include <cstring>

namespace Quorel {

SdlAmbientOutput::~SdlAmbientOutput() {
    close();
    if (m_sdlStarted) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
}

std::optional<double> SdlAmbientOutput::open() {
    close();
    if (!m_sdlStarted) {
        // The app handles SIGINT and SIGTERM itself (it saves first); SDL must not take them.
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, "Quorel");
        SDL_SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_NAME, "Ambient sound");
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
            sayMissing(SDL_GetError());
            return std::nullopt;
        }
        m_sdlStarted = true;
    }
    SDL_AudioSpec wanted{};
    wanted.freq = 48000;
    wanted.format = AUDIO_F32SYS;
    wanted.channels = 2;
    wanted.samples = 2048;  // about 43 ms: a volume change waits at most that long
    wanted.callback = fill;
    wanted.userdata = this;
    SDL_AudioSpec got{};
    // The device's own rate and channel count; SDL converts only the sample format, if needed.
    m_device =
        SDL_OpenAudioDevice(nullptr, 0, &wanted, &got,
                            SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_CHANNELS_CHANGE);
    if (m_device == 0) {
        sayMissing(SDL_GetError());
        return std::nullopt;
    }
    m_channels = got.channels;
    return got.freq;
}

bool SdlAmbientOutput::start(AmbientStream& stream) {
    if (m_device == 0) {
        return false;
    }
    m_stream.store(&stream, std::memory_order_release);
    SDL_PauseAudioDevice(m_device, 0);
    if (!isPlaying()) {
        close();
        return false;
    }
    return true;
}

void SdlAmbientOutput::close() {
    if (m_device != 0) {
        SDL_CloseAudioDevice(m_device);  // returns once SDL's thread has left the callback
        m_device = 0;
    }
    m_stream.store(nullptr, std::memory_order_release);
}

bool SdlAmbientOutput::isPlaying() const {
    return m_device != 0 && SDL_GetAudioDeviceStatus(m_device) == SDL_AUDIO_PLAYING;
}

void SdlAmbientOutput::fill(void* self, std::uint8_t* bytes, int length) {
    auto* output = static_cast<SdlAmbientOutput*>(self);
    AmbientStream* stream = output->m_stream.load(std::memory_order_acquire);
    const auto size = static_cast<std::size_t>(length);
    if (stream == nullptr || output->m_channels == 0) {
        std::memset(bytes, 0, size);
        return;
    }
    stream->render(reinterpret_cast<float*>(bytes), size / (sizeof(float) * output->m_channels),
                   output->m_channels);
}

void SdlAmbientOutput::sayMissing(const char* why) {
    if (!m_saidMissing) {
        m_saidMissing = true;
        qWarning("Quorel: no audio output (%s); ambient sound stays silent.", why);
    }
}

}  // namespace Quorel
