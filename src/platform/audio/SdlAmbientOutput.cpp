// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "SdlAmbientOutput.h"

#include "AmbientMix.h"
#include "AmbientStream.h"

#include <QtGlobal>

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace Quorel {

namespace {

using Clock = std::chrono::steady_clock;

// Tries to open again after half a second, then a second, two, and every three from then on: a
// sound server that comes back is heard within a few seconds, and one that stays away costs a
// failed connect now and then. Where no device has ever opened, the wait grows to half a minute:
// each try there also lets ALSA fill the log with its complaints.
constexpr Clock::duration firstRetry = std::chrono::milliseconds(500);
constexpr Clock::duration longestRetry = std::chrono::seconds(3);
constexpr Clock::duration longestRetryNeverOpened = std::chrono::seconds(30);
// How often an open device is checked: SDL marks a lost device but says so to nobody.
constexpr Clock::duration watch = std::chrono::milliseconds(250);
// A faded sound keeps the device this long: what the sound server still holds (up to two seconds
// on some sinks) plays out, fade and all, before the stream is cut, and a sound chosen again
// meanwhile plays at once.
constexpr Clock::duration linger = std::chrono::seconds(3);
// At the end, how long the fade may take to be rendered, and how long the owner waits for the
// device to close.
constexpr Clock::duration lastFade = std::chrono::milliseconds(200);
constexpr Clock::duration closingPatience = std::chrono::seconds(2);

}  // namespace

struct SdlAmbientOutput::Worker {
    // Between the owner and this output's thread.
    std::mutex mutex;
    std::condition_variable changed;
    std::shared_ptr<AmbientStream> requested;
    bool told = false;  // requested changed since the thread last looked
    bool quitting = false;
    bool finished = false;
    std::atomic<bool> open{false};

    // This output's thread only; the mix and channels also SDL's, under the device's lock.
    bool sdlStarted = false;
    SDL_AudioDeviceID device = 0;
    double rate = 0;
    std::size_t channels = 0;
    AmbientMix mix;
    std::shared_ptr<AmbientStream> sent;  // what the mix was told to play, none after a stop
    std::optional<Clock::time_point> silentSince;  // the fade has been rendered
    Clock::time_point nextTry;
    Clock::duration retryAfter = firstRetry;
    bool silenced = false;  // a wanted sound is not heard: the device was lost or never opened
    bool saidMissing = false;
    std::string driver;  // the last that opened a device

    static void run(const std::shared_ptr<Worker>& self) {
        std::unique_lock lock(self->mutex);
        for (;;) {
            const auto wake = [&] { return self->told || self->quitting; };
            if (self->device != 0) {
                self->changed.wait_for(lock, watch, wake);
            } else if (self->requested) {
                self->changed.wait_until(lock, self->nextTry, wake);
            } else {
                self->changed.wait(lock, wake);
            }
            if (self->quitting) {
                break;
            }
            self->told = false;
            const std::shared_ptr<AmbientStream> wanted = self->requested;
            lock.unlock();
            self->step(wanted);
            lock.lock();
        }
        lock.unlock();
        self->finish();
        lock.lock();
        self->finished = true;
        self->changed.notify_all();
    }

    // Brings the device to what is wanted, one move at a time.
    void step(const std::shared_ptr<AmbientStream>& wanted) {
        const auto now = Clock::now();
        if (device != 0 && SDL_GetAudioDeviceStatus(device) != SDL_AUDIO_PLAYING) {
            if (wanted) {
                qWarning(
                    "Quorel: ambient sound stopped: the audio device went away (%s); trying "
                    "again",
                    SDL_GetCurrentAudioDriver());
                silenced = true;
            }
            closeDevice();
            quitSdl();
            retryAfter = firstRetry;
            nextTry = now + retryAfter;
        }
        if (!wanted) {
            stopped(now);
            return;
        }
        if (device == 0) {
            if (now >= nextTry) {
                tryOpening(wanted, now);
            }
            return;
        }
        SDL_LockAudioDevice(device);
        if (wanted != sent) {
            mix.play(wanted, rate);
        } else {
            mix.collect();
        }
        SDL_UnlockAudioDevice(device);
        sent = wanted;
        silentSince.reset();
    }

    void tryOpening(const std::shared_ptr<AmbientStream>& wanted, Clock::time_point now) {
        std::string why;
        if (!openDevice(why)) {
            // An owner that gave up on a hung server may be gone, and the program's logging
            // with it: a late failure goes unsaid.
            if (!silenced && !saidMissing && !ownerGone()) {
                qWarning(
                    "Quorel: no audio output (%s); ambient sound stays silent until there is "
                    "one",
                    why.c_str());
                saidMissing = true;
            }
            silenced = true;
            // SDL looks for the sound server when it starts: the next try starts it again.
            quitSdl();
            nextTry = now + retryAfter;
            retryAfter =
                std::min(2 * retryAfter, driver.empty() ? longestRetryNeverOpened : longestRetry);
            return;
        }
        SDL_LockAudioDevice(device);
        mix.play(wanted, rate);
        SDL_UnlockAudioDevice(device);
        SDL_PauseAudioDevice(device, 0);
        sent = wanted;
        retryAfter = firstRetry;
        if (silenced) {
            qInfo("Quorel: ambient sound resumed");
            silenced = false;
        }
    }

    bool ownerGone() {
        const std::lock_guard lock(mutex);
        return quitting;
    }

    void stopped(Clock::time_point now) {
        silenced = false;
        retryAfter = firstRetry;
        nextTry = now;
        if (device == 0) {
            return;
        }
        SDL_LockAudioDevice(device);
        if (sent) {
            mix.stop();
        }
        const bool silent = mix.collect();
        SDL_UnlockAudioDevice(device);
        sent.reset();
        if (!silent) {
            silentSince.reset();
        } else if (!silentSince) {
            silentSince = now;
        } else if (now - *silentSince >= linger) {
            closeDevice();
        }
    }

    bool openDevice(std::string& why) {
        if (!sdlStarted) {
            // The app handles SIGINT and SIGTERM itself (it saves first); SDL must not take them.
            SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
            SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, "Quorel");
            SDL_SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_NAME, "Ambient sound");
            // Once a driver has played, tries go to it alone: while the sound server is away,
            // SDL would otherwise fall back to ALSA, which fills the log with its complaints and
            // would keep the sound there when the server is back.
            if (!driver.empty()) {
                SDL_SetHint(SDL_HINT_AUDIODRIVER, driver.c_str());
            }
            sdlStarted = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
            if (!sdlStarted) {
                why = SDL_GetError();
                return false;
            }
        }
        SDL_AudioSpec asked{};
        asked.freq = 48000;
        asked.format = AUDIO_F32SYS;
        asked.channels = 2;
        asked.samples = 2048;  // about 43 ms: a volume change waits at most that long
        asked.callback = fill;
        asked.userdata = this;
        SDL_AudioSpec got{};
        // The device's own rate and channel count; SDL converts only the sample format. It opens
        // paused: nothing is pulled before the mix is ready.
        device =
            SDL_OpenAudioDevice(nullptr, 0, &asked, &got,
                                SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_CHANNELS_CHANGE);
        if (device == 0) {
            why = SDL_GetError();
            return false;
        }
        driver = SDL_GetCurrentAudioDriver();
        SDL_LockAudioDevice(device);
        rate = got.freq;
        channels = got.channels;
        mix.clear();
        SDL_UnlockAudioDevice(device);
        open = true;
        return true;
    }

    void closeDevice() {
        if (device == 0) {
            return;
        }
        SDL_CloseAudioDevice(device);  // SDL's thread has ended: the mix is this thread's alone
        device = 0;
        open = false;
        silentSince.reset();
        mix.clear();
        sent.reset();
    }

    void quitSdl() {
        if (sdlStarted) {
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            sdlStarted = false;
        }
    }

    // The owner is going: the sound fades out, as far as the time allows, and SDL ends.
    void finish() {
        if (device != 0) {
            SDL_LockAudioDevice(device);
            mix.stop();
            SDL_UnlockAudioDevice(device);
            const auto until = Clock::now() + lastFade;
            for (;;) {
                SDL_LockAudioDevice(device);
                const bool silent = mix.collect();
                SDL_UnlockAudioDevice(device);
                if (silent || Clock::now() >= until) {
                    break;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            closeDevice();
        }
        quitSdl();
        SDL_TLSCleanup();  // SDL's per-thread error buffer; SDL did not start this thread
    }

    static void fill(void* self, std::uint8_t* bytes, int length) {
        auto* worker = static_cast<Worker*>(self);
        const std::size_t frameBytes = sizeof(float) * std::max<std::size_t>(worker->channels, 1);
        worker->mix.render(reinterpret_cast<float*>(bytes),
                           static_cast<std::size_t>(length) / frameBytes, worker->channels);
    }
};

SdlAmbientOutput::SdlAmbientOutput() : m_worker(std::make_shared<Worker>()) {
    std::thread(Worker::run, m_worker).detach();
}

SdlAmbientOutput::~SdlAmbientOutput() {
    std::unique_lock lock(m_worker->mutex);
    m_worker->quitting = true;
    m_worker->changed.notify_all();
    // A thread that the sound server holds is left to finish on its own.
    m_worker->changed.wait_for(lock, closingPatience, [this] { return m_worker->finished; });
}

void SdlAmbientOutput::play(std::shared_ptr<AmbientStream> stream) {
    const std::lock_guard lock(m_worker->mutex);
    m_worker->requested = std::move(stream);
    m_worker->told = true;
    m_worker->changed.notify_all();
}

void SdlAmbientOutput::stop() {
    const std::lock_guard lock(m_worker->mutex);
    m_worker->requested.reset();
    m_worker->told = true;
    m_worker->changed.notify_all();
}

bool SdlAmbientOutput::hasDevice() const {
    return m_worker->open;
}

}  // namespace Quorel
