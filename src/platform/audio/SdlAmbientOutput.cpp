#include "SdlAmbientOutput.h"

#include "AmbientStream.h"

#include <QtGlobal>

#include <SDL.h>

#include <atomic>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace Quorel {

namespace {
constexpr std::chrono::milliseconds closingPatience{5000};
}

struct SdlAmbientOutput::Worker {
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::function<void()>> jobs;
    bool stopping = false;
    bool finished = false;
    bool stuck = false;       // an open given up on is still running
    bool sdlStarted = false;  // the device thread's own

    // What SDL's thread reads in the callback; the stream is swapped only under SDL's device lock.
    std::atomic<AmbientStream*> stream{nullptr};
    std::atomic<std::size_t> channels{0};

    void post(std::function<void()> job) {
        const std::lock_guard lock(mutex);
        jobs.push_back(std::move(job));
        changed.notify_all();
    }

    static void run(const std::shared_ptr<Worker>& self) {
        std::unique_lock lock(self->mutex);
        for (;;) {
            self->changed.wait(lock, [&] { return !self->jobs.empty() || self->stopping; });
            if (self->jobs.empty()) {
                break;
            }
            const std::function<void()> job = std::move(self->jobs.front());
            self->jobs.pop_front();
            lock.unlock();
            job();
            lock.lock();
        }
        lock.unlock();
        if (self->sdlStarted) {
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
        }
        SDL_TLSCleanup();  // SDL's per-thread error buffer; SDL did not start this thread
        lock.lock();
        self->finished = true;
        self->changed.notify_all();
    }

    static void fill(void* self, std::uint8_t* bytes, int length) {
        auto* worker = static_cast<Worker*>(self);
        AmbientStream* stream = worker->stream.load(std::memory_order_acquire);
        const std::size_t channels = worker->channels.load(std::memory_order_relaxed);
        const auto size = static_cast<std::size_t>(length);
        if (stream == nullptr || channels == 0) {
            std::memset(bytes, 0, size);
            return;
        }
        stream->render(reinterpret_cast<float*>(bytes), size / (sizeof(float) * channels),
                       channels);
    }
};

SdlAmbientOutput::SdlAmbientOutput(std::chrono::milliseconds patience)
    : m_patience(patience), m_worker(std::make_shared<Worker>()) {
    std::thread(Worker::run, m_worker).detach();
}

SdlAmbientOutput::~SdlAmbientOutput() {
    close();
    std::unique_lock lock(m_worker->mutex);
    m_worker->stopping = true;
    m_worker->changed.notify_all();
    // A thread the sound server holds is left to finish on its own; a free one closes the device
    // and ends SDL first, so that the next output starts SDL afresh.
    const auto wait = m_worker->stuck ? std::chrono::milliseconds(0) : closingPatience;
    m_worker->changed.wait_for(lock, wait, [this] { return m_worker->finished; });
}

std::optional<double> SdlAmbientOutput::open() {
    close();
    struct Opened {
        bool done = false;
        bool givenUp = false;
        SDL_AudioDeviceID device = 0;
        int rate = 0;
        std::string error;
    };
    const auto opened = std::make_shared<Opened>();
    std::unique_lock lock(m_worker->mutex);
    if (m_worker->stuck) {
        lock.unlock();
        sayMissing("the sound server does not answer");
        return std::nullopt;
    }
    m_worker->jobs.push_back([worker = m_worker.get(), opened] {
        if (!worker->sdlStarted) {
            // The app handles SIGINT and SIGTERM itself (it saves first); SDL must not take them.
            SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
            SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, "Quorel");
            SDL_SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_NAME, "Ambient sound");
            worker->sdlStarted = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
        }
        SDL_AudioDeviceID device = 0;
        SDL_AudioSpec got{};
        if (worker->sdlStarted) {
            SDL_AudioSpec wanted{};
            wanted.freq = 48000;
            wanted.format = AUDIO_F32SYS;
            wanted.channels = 2;
            wanted.samples = 2048;  // about 43 ms: a volume change waits at most that long
            wanted.callback = Worker::fill;
            wanted.userdata = worker;
            // The device's own rate and channel count; SDL converts only the sample format.
            device = SDL_OpenAudioDevice(
                nullptr, 0, &wanted, &got,
                SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_CHANNELS_CHANGE);
        }
        if (device != 0) {
            worker->channels.store(static_cast<std::size_t>(got.channels));
        }
        std::unique_lock held(worker->mutex);
        opened->done = true;
        opened->device = device;
        opened->rate = got.freq;
        opened->error = SDL_GetError();
        if (opened->givenUp) {
            worker->stuck = false;
            held.unlock();
            if (device != 0) {
                SDL_CloseAudioDevice(device);
            }
            return;
        }
        worker->changed.notify_all();
    });
    m_worker->changed.notify_all();
    if (!m_worker->changed.wait_for(lock, m_patience, [&] { return opened->done; })) {
        opened->givenUp = true;
        m_worker->stuck = true;
        lock.unlock();
        sayMissing("the sound server does not answer");
        return std::nullopt;
    }
    lock.unlock();
    if (opened->device == 0) {
        sayMissing(opened->error.c_str());
        return std::nullopt;
    }
    m_device = opened->device;
    return opened->rate;
}

bool SdlAmbientOutput::start(AmbientStream& stream) {
    if (m_device == 0) {
        return false;
    }
    m_worker->stream.store(&stream, std::memory_order_release);
    SDL_PauseAudioDevice(m_device, 0);
    if (!isPlaying()) {
        close();
        return false;
    }
    return true;
}

void SdlAmbientOutput::close() {
    if (m_device == 0) {
        m_worker->stream.store(nullptr, std::memory_order_release);
        return;
    }
    // Under the device's lock no callback runs: once it is let go, the stream is untouched.
    SDL_LockAudioDevice(m_device);
    m_worker->stream.store(nullptr, std::memory_order_release);
    SDL_UnlockAudioDevice(m_device);
    // Closing waits for SDL's thread, which a stalled sound server may hold.
    m_worker->post([device = m_device] { SDL_CloseAudioDevice(device); });
    m_device = 0;
}

bool SdlAmbientOutput::isPlaying() const {
    return m_device != 0 && SDL_GetAudioDeviceStatus(m_device) == SDL_AUDIO_PLAYING;
}

void SdlAmbientOutput::sayMissing(const char* why) {
    if (!m_saidMissing) {
        m_saidMissing = true;
        qWarning("Quorel: no audio output (%s); ambient sound stays silent.", why);
    }
}

}  // namespace Quorel
