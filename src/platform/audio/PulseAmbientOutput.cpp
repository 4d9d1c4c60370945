// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "PulseAmbientOutput.h"

#include "AmbientMix.h"
#include "AmbientStream.h"
#include "AmbientSynth.h"

#include <QFileInfo>
#include <QtGlobal>

#include <poll.h>
#include <pthread.h>
#include <pulse/pulseaudio.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace Quorel {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::microseconds;
using std::chrono::milliseconds;

// The same waits as the SDL output's: half a second after a loss, then one, two and every three
// seconds; half a minute where no server ever answered.
constexpr Clock::duration firstRetry = milliseconds(500);
constexpr Clock::duration longestRetry = std::chrono::seconds(3);
constexpr Clock::duration longestRetryNeverOpened = std::chrono::seconds(30);
// A server that takes the connection and never answers counts as none after this.
constexpr Clock::duration connectPatience = std::chrono::seconds(5);
// A stopped sound keeps the stream this long, so a sound chosen again meanwhile plays at once.
constexpr Clock::duration linger = std::chrono::seconds(3);
// At the end, how long the fade may take to be heard, and how long the owner waits for the thread.
constexpr Clock::duration lastFade = milliseconds(250);
constexpr Clock::duration closingPatience = std::chrono::seconds(2);

// What is queued from the sound server's read position to the end, the sink's own buffer included
// (PA_STREAM_ADJUST_LATENCY). The server asks for more once `request` has played: two wakes a
// second, and a sink buffer of (queued - 2 * request) / 2 = 50 ms.
constexpr microseconds queued = milliseconds(1000);
constexpr microseconds request = milliseconds(450);
// A change is written this far past the read position, beyond the sink's buffer: the server may
// read that far before the write arrives, and what it has read can no longer be changed.
constexpr microseconds beyondSink = milliseconds(25);

pa_usec_t usec(microseconds time) {
    return static_cast<pa_usec_t>(time.count());
}

microseconds fromUsec(pa_usec_t time) {
    return microseconds(static_cast<microseconds::rep>(time));
}

std::int64_t framesIn(microseconds time, double rate) {
    return static_cast<std::int64_t>(static_cast<double>(time.count()) * rate / 1e6);
}

}  // namespace

struct PulseAmbientOutput::Worker {
    // Between the owner and this output's thread.
    std::mutex mutex;
    std::condition_variable changed;
    std::shared_ptr<AmbientStream> requested;
    bool told = false;      // requested changed since the thread last looked
    bool gainTold = false;  // a new gain waits in newGain
    std::shared_ptr<AmbientStream> gainFor;
    float newGain = 0;
    bool quitting = false;
    bool finished = false;
    std::atomic<bool> open{false};
    pa_mainloop* const loop = pa_mainloop_new();
    // The owner's knock: unlike pa_mainloop_wakeup's, it stays until the thread reads it, so one
    // that comes between two polls is not lost.
    const int knock = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    pa_io_event* const knocked = pa_mainloop_get_api(loop)->io_new(
        pa_mainloop_get_api(loop), knock, PA_IO_EVENT_INPUT, onKnock, nullptr);

    // This output's thread only.
    pa_context* context = nullptr;
    pa_stream* stream = nullptr;
    pa_operation* timing = nullptr;     // asks how far the server has read
    bool ready = false;                 // the stream plays
    std::optional<std::string> broken;  // why the connection failed, seen after the callback
    std::optional<Clock::time_point> connectingSince;
    std::shared_ptr<AmbientStream> wanted;  // what the owner asked for last
    std::shared_ptr<AmbientStream> sent;    // what the mix was told to play
    bool changePending = false;             // wanted or its gain differs from what is queued
    std::optional<Clock::time_point> stoppedAt;
    std::optional<Clock::time_point> lastQueued;  // when the server last asked for more
    // A gain the stream does not have yet: all that is queued was rendered at the old one, so
    // the queue can be scaled to the new one before the stream renders at it.
    std::optional<std::pair<std::shared_ptr<AmbientStream>, float>> pendingGain;
    Clock::time_point nextTry;
    Clock::duration retryAfter = firstRetry;
    bool everOpened = false;
    bool silenced = false;  // a wanted sound is not heard: the server went away or never answered
    bool saidMissing = false;

    AmbientMix mix;
    double rate = 0;
    std::size_t channels = 0;
    std::size_t frameBytes = 0;
    std::size_t glide = 1;  // frames of a level change
    std::int64_t sinkFrames = 0;
    // What was queued, by frame since the stream opened, for the part of it that a change writes
    // again; it holds more than the server can have unplayed.
    std::vector<float> ring;
    std::int64_t ringFrames = 0;
    std::int64_t written = 0;
    std::vector<float> fresh;

    ~Worker() {
        pa_mainloop_get_api(loop)->io_free(knocked);
        pa_mainloop_free(loop);
        ::close(knock);
    }

    void wake() const {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t done = ::write(knock, &one, sizeof one);
    }

    static void onKnock(pa_mainloop_api*, pa_io_event*, int fd, pa_io_event_flags_t, void*) {
        std::uint64_t count = 0;
        [[maybe_unused]] const ssize_t done = ::read(fd, &count, sizeof count);
    }

    static void run(const std::shared_ptr<Worker>& self) {
        pthread_setname_np(pthread_self(), "quorel-ambient");
        for (;;) {
            const bool going = self->steady() ? self->batch() : self->iterate(self->timeout());
            if (!going) {
                break;
            }
            std::unique_lock lock(self->mutex);
            if (self->quitting) {
                break;
            }
            const bool told = std::exchange(self->told, false);
            const bool gainTold = std::exchange(self->gainTold, false);
            if (gainTold) {
                self->pendingGain = {std::move(self->gainFor), self->newGain};
            }
            const std::shared_ptr<AmbientStream> wanted = self->requested;
            lock.unlock();
            self->step(told, gainTold, wanted);
        }
        self->finish();
        const std::lock_guard lock(self->mutex);
        self->finished = true;
        self->changed.notify_all();
    }

    // Whether the stream just plays on: nothing asked of the server, no change on its way, and
    // the server's next request not yet due (a late one is waited for as any message is).
    bool steady() const {
        return ready && timing == nullptr && !broken && !changePending && lastQueued &&
               Clock::now() < requestDue();
    }

    Clock::time_point requestDue() const { return *lastQueued + request + beyondSink; }

    // While the stream plays on, the server's messages wait: the blocks it hands back and its
    // request for more would each wake the thread, so it sleeps until the request is due (or the
    // owner knocks) and takes them all in one go. A server that went away is then noticed within
    // half a second.
    bool batch() {
        auto wait = requestDue() - Clock::now();
        if (const auto timer = timeout()) {
            wait = std::min(wait, *timer);
        }
        pollfd knocks{.fd = knock, .events = POLLIN, .revents = 0};
        const auto ms = std::chrono::duration_cast<milliseconds>(wait).count();
        if (ms > 0 && ::poll(&knocks, 1, static_cast<int>(ms)) > 0) {
            onKnock(nullptr, nullptr, knock, PA_IO_EVENT_INPUT, nullptr);
        }
        // Each pass dispatches what is ready; a few take everything that waited.
        for (int pass = 0; pass < 16; ++pass) {
            const int dispatched = pa_mainloop_iterate(loop, 0, nullptr);
            if (dispatched < 0) {
                return false;
            }
            if (dispatched == 0) {
                break;
            }
        }
        return true;
    }

    bool iterate(std::optional<Clock::duration> wait) {
        const int micros =
            wait ? static_cast<int>(std::chrono::duration_cast<microseconds>(*wait).count()) : -1;
        return pa_mainloop_prepare(loop, std::max(micros, -1)) >= 0 &&
               pa_mainloop_poll(loop) >= 0 && pa_mainloop_dispatch(loop) >= 0;
    }

    // How long the loop may sleep before a timer of this output's is due.
    std::optional<Clock::duration> timeout() const {
        std::optional<Clock::time_point> due;
        const auto sooner = [&](Clock::time_point t) { due = due ? std::min(*due, t) : t; };
        if (broken) {
            sooner(Clock::now());
        }
        if (!context && wanted) {
            sooner(nextTry);
        }
        if (connectingSince) {
            sooner(*connectingSince + connectPatience);
        }
        if (stoppedAt && stream) {
            sooner(*stoppedAt + linger);
        }
        if (!due) {
            return std::nullopt;
        }
        return std::max(Clock::duration::zero(), *due - Clock::now()) + milliseconds(1);
    }

    // Brings the stream to what is wanted, one move at a time.
    void step(bool streamTold, bool gainWasTold, const std::shared_ptr<AmbientStream>& nowWanted) {
        const auto now = Clock::now();
        wanted = nowWanted;
        if (broken) {
            lost(*broken, now);
        } else if (connectingSince && now - *connectingSince >= connectPatience) {
            lost("the sound server does not answer", now);
        }
        if (streamTold) {
            stoppedAt = wanted ? std::nullopt : std::optional(now);
            if (!wanted) {
                silenced = false;
                retryAfter = firstRetry;
                nextTry = now;
            }
        }
        if (!wanted) {
            if (stream && stoppedAt && now - *stoppedAt >= linger && mix.collect()) {
                close();
            } else if (!ready) {
                close();  // nothing to wait for
            }
        } else if (!context && now >= nextTry) {
            connect(now);
        }
        if ((streamTold || gainWasTold) && ready) {
            changePending = true;
            askWhereTheServerReads();
        } else if (!ready) {
            takeGain();  // nothing queued to take back
        }
    }

    void connect(Clock::time_point now) {
        pa_proplist* props = pa_proplist_new();
        pa_proplist_sets(props, PA_PROP_APPLICATION_NAME, "Quorel");
        pa_proplist_sets(props, PA_PROP_APPLICATION_ICON_NAME, "quorel");
        context = pa_context_new_with_proplist(pa_mainloop_get_api(loop), "Quorel", props);
        pa_proplist_free(props);
        if (context == nullptr) {
            failedToOpen("no memory for a connection", now);
            return;
        }
        pa_context_set_state_callback(context, onContextState, this);
        // No autospawn: starting a server is the session's business, and it would block.
        if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
            failedToOpen(pa_strerror(pa_context_errno(context)), now);
            return;
        }
        connectingSince = now;
    }

    static void onContextState(pa_context* c, void* userdata) {
        auto* self = static_cast<Worker*>(userdata);
        switch (pa_context_get_state(c)) {
            case PA_CONTEXT_READY:
                // The default sink's rate: the server then does not resample.
                if (pa_operation* asked =
                        pa_context_get_sink_info_by_name(c, "@DEFAULT_SINK@", onSinkInfo, self)) {
                    pa_operation_unref(asked);
                } else {
                    self->broken = pa_strerror(pa_context_errno(c));
                }
                break;
            case PA_CONTEXT_FAILED:
            case PA_CONTEXT_TERMINATED:
                self->broken = pa_strerror(pa_context_errno(c));
                break;
            default:
                break;
        }
    }

    static void onSinkInfo(pa_context* c, const pa_sink_info* info, int eol, void* userdata) {
        auto* self = static_cast<Worker*>(userdata);
        if (eol < 0 || (eol > 0 && self->stream == nullptr)) {
            self->broken = eol < 0 ? pa_strerror(pa_context_errno(c)) : "no sound card";
        } else if (info != nullptr && self->stream == nullptr) {
            self->openStream(info->sample_spec.rate);
        }
    }

    void openStream(std::uint32_t sinkRate) {
        // One 16-bit channel, which the server spreads over the sink's: every channel carries the
        // same sound anyway, and the server takes each 64 KiB block of shared memory back with a
        // message that wakes this thread, so a quarter of float stereo's bytes is a quarter of
        // those wakes (one a request).
        const pa_sample_spec spec{.format = PA_SAMPLE_S16NE,
                                  .rate = std::clamp<std::uint32_t>(sinkRate, 8000, 192000),
                                  .channels = 1};
        pa_channel_map mono;
        pa_channel_map_init_mono(&mono);
        stream = pa_stream_new(context, "Ambient sound", &spec, &mono);
        if (stream == nullptr) {
            broken = pa_strerror(pa_context_errno(context));
            return;
        }
        rate = spec.rate;
        channels = spec.channels;
        frameBytes = pa_frame_size(&spec);
        glide = std::max<std::size_t>(1, synth_detail::period(rate * synth_detail::rampSeconds));
        ringFrames = framesIn(2 * queued, rate);
        ring.assign(static_cast<std::size_t>(ringFrames) * channels, 0.0f);
        fresh.assign(ring.size(), 0.0f);
        written = 0;
        const pa_buffer_attr attr{
            .maxlength = static_cast<std::uint32_t>(-1),
            .tlength = static_cast<std::uint32_t>(pa_usec_to_bytes(usec(queued), &spec)),
            .prebuf = static_cast<std::uint32_t>(-1),
            .minreq = static_cast<std::uint32_t>(pa_usec_to_bytes(usec(request), &spec)),
            .fragsize = static_cast<std::uint32_t>(-1)};
        pa_stream_set_state_callback(stream, onStreamState, this);
        pa_stream_set_write_callback(stream, onWritable, this);
        if (pa_stream_connect_playback(stream, nullptr, &attr, PA_STREAM_ADJUST_LATENCY, nullptr,
                                       nullptr) < 0) {
            broken = pa_strerror(pa_context_errno(context));
        }
    }

    static void onStreamState(pa_stream* s, void* userdata) {
        auto* self = static_cast<Worker*>(userdata);
        switch (pa_stream_get_state(s)) {
            case PA_STREAM_READY:
                self->opened();
                break;
            case PA_STREAM_FAILED:
                self->broken = pa_strerror(pa_context_errno(self->context));
                break;
            default:
                break;
        }
    }

    void opened() {
        ready = true;
        open = true;
        connectingSince.reset();
        everOpened = true;
        retryAfter = firstRetry;
        // The server keeps what of the queue it did not give the sink; the rest is the sink's.
        const pa_buffer_attr* attr = pa_stream_get_buffer_attr(stream);
        const pa_sample_spec* spec = pa_stream_get_sample_spec(stream);
        const microseconds kept = fromUsec(pa_bytes_to_usec(attr->tlength, spec));
        sinkFrames = framesIn(std::max(queued - kept, microseconds::zero()), rate);
        mix.clear();
        if (wanted) {
            mix.play(wanted, rate);
        }
        sent = wanted;
        changePending = false;
        if (wanted && silenced) {
            qInfo("Quorel: ambient sound resumed");
        }
        silenced = false;
    }

    static void onWritable(pa_stream*, std::size_t bytes, void* userdata) {
        auto* self = static_cast<Worker*>(userdata);
        self->queue(static_cast<std::int64_t>(bytes / self->frameBytes));
    }

    float* at(std::int64_t frame) {
        return ring.data() + static_cast<std::size_t>(frame % ringFrames) * channels;
    }

    // Renders frames more at the end of the queue.
    void queue(std::int64_t frames) {
        lastQueued = Clock::now();
        const std::int64_t from = written;
        while (frames > 0) {
            const std::int64_t piece = std::min(frames, ringFrames - written % ringFrames);
            mix.render(at(written), static_cast<std::size_t>(piece), channels);
            written += piece;
            frames -= piece;
        }
        mix.collect();
        send(from, PA_SEEK_RELATIVE);
    }

    // Hands the ring from frame `from` to the end of the queue to the server.
    void send(std::int64_t from, pa_seek_mode_t seek) {
        std::int64_t offset = seek == PA_SEEK_ABSOLUTE ? from * std::int64_t(frameBytes) : 0;
        while (from < written) {
            // Straight into the server's shared memory, as much as one of its blocks takes.
            void* block = nullptr;
            std::size_t bytes = static_cast<std::size_t>(written - from) * frameBytes;
            if (pa_stream_begin_write(stream, &block, &bytes) < 0 || block == nullptr) {
                broken = pa_strerror(pa_context_errno(context));
                return;
            }
            const std::int64_t piece = std::min({written - from, ringFrames - from % ringFrames,
                                                 static_cast<std::int64_t>(bytes / frameBytes)});
            const std::size_t samples = static_cast<std::size_t>(piece) * channels;
            const float* source = at(from);
            auto* target = static_cast<std::int16_t*>(block);
            for (std::size_t i = 0; i < samples; ++i) {
                target[i] =
                    static_cast<std::int16_t>(std::clamp(source[i], -1.0f, 1.0f) * 32767.0f);
            }
            if (pa_stream_write(stream, block, static_cast<std::size_t>(piece) * frameBytes,
                                nullptr, offset, seek) < 0) {
                broken = pa_strerror(pa_context_errno(context));
                return;
            }
            from += piece;
            offset = 0;
            seek = PA_SEEK_RELATIVE;
        }
    }

    void askWhereTheServerReads() {
        if (timing != nullptr) {
            return;  // its answer takes this change too
        }
        timing = pa_stream_update_timing_info(stream, onTiming, this);
        if (timing == nullptr) {
            applyChange(written);  // heard once the queue has played
        }
    }

    static void onTiming(pa_stream* s, int success, void* userdata) {
        auto* self = static_cast<Worker*>(userdata);
        pa_operation_unref(std::exchange(self->timing, nullptr));
        const pa_timing_info* info = success ? pa_stream_get_timing_info(s) : nullptr;
        if (info == nullptr || info->read_index_corrupt) {
            self->applyChange(self->written);
            return;
        }
        // Past what the sink holds or may take before this write arrives.
        const std::int64_t read = info->read_index / std::int64_t(self->frameBytes);
        const std::int64_t sink =
            std::max(self->sinkFrames, framesIn(fromUsec(info->sink_usec), self->rate));
        self->applyChange(read + sink + framesIn(beyondSink, self->rate));
    }

    // Makes what is wanted heard from frame `from` on, writing the queue again from there.
    void applyChange(std::int64_t from) {
        if (!changePending || !ready) {
            return;
        }
        changePending = false;
        const float rendered = wanted ? wanted->level() : 0;
        takeGain();
        from = std::max(from, written - ringFrames + 1);
        if (from >= written) {
            // Nothing queued past that point: the mix glides there itself.
            if (wanted != sent) {
                wanted ? mix.play(wanted, rate) : mix.stop();
                sent = wanted;
            }
            return;
        }
        const auto frames = static_cast<std::size_t>(written - from);
        const std::shared_ptr<AmbientStream>& playing = mix.playing();
        if (wanted && wanted == sent && playing == wanted && !wanted->fadingOut() && rendered > 0) {
            // Only the gain: what is queued is the same sound at another level, so it is scaled.
            const float ratio = wanted->gain() / rendered;
            for (std::size_t f = 0; f < frames; ++f) {
                const float scale =
                    f < glide ? 1 + (ratio - 1) * float(f + 1) / float(glide) : ratio;
                float* frame = at(from + std::int64_t(f));
                for (std::size_t c = 0; c < channels; ++c) {
                    frame[c] *= scale;
                }
            }
            wanted->settle();
        } else {
            // What is queued fades out where the change is heard; the wanted sound rises there,
            // from where its synth had got to (what was queued of it is never heard).
            mix.clear();
            if (wanted) {
                mix.play(wanted, rate);
            }
            sent = wanted;
            mix.render(fresh.data(), frames, channels);
            for (std::size_t f = 0; f < frames; ++f) {
                const float fade = f < glide ? 1 - float(f + 1) / float(glide) : 0;
                float* frame = at(from + std::int64_t(f));
                for (std::size_t c = 0; c < channels; ++c) {
                    frame[c] = frame[c] * fade + fresh[f * channels + c];
                }
            }
        }
        send(from, PA_SEEK_ABSOLUTE);
    }

    // Takes its reason by value: close() drops the one in broken.
    void takeGain() {
        if (pendingGain) {
            pendingGain->first->setGain(pendingGain->second);
            pendingGain.reset();
        }
    }

    void lost(std::string why, Clock::time_point now) {
        const bool wasReady = ready;
        close();
        if (!wanted) {
            return;
        }
        if (wasReady) {
            qWarning("Quorel: ambient sound stopped: the audio device went away (%s); trying again",
                     why.c_str());
            silenced = true;
            retryAfter = firstRetry;
            nextTry = now + retryAfter;
            return;
        }
        failedToOpen(why, now);
    }

    void failedToOpen(std::string why, Clock::time_point now) {
        close();
        if (!silenced && !saidMissing) {
            qWarning("Quorel: no audio output (%s); ambient sound stays silent until there is one",
                     why.c_str());
            saidMissing = true;
        }
        silenced = true;
        nextTry = now + retryAfter;
        retryAfter = std::min(2 * retryAfter, everOpened ? longestRetry : longestRetryNeverOpened);
    }

    void close() {
        if (timing != nullptr) {
            pa_operation_cancel(timing);
            pa_operation_unref(std::exchange(timing, nullptr));
        }
        if (stream != nullptr) {
            pa_stream_set_state_callback(stream, nullptr, nullptr);
            pa_stream_set_write_callback(stream, nullptr, nullptr);
            pa_stream_disconnect(stream);
            pa_stream_unref(std::exchange(stream, nullptr));
        }
        if (context != nullptr) {
            pa_context_set_state_callback(context, nullptr, nullptr);
            pa_context_disconnect(context);
            pa_context_unref(std::exchange(context, nullptr));
        }
        ready = false;
        open = false;
        lastQueued.reset();
        broken.reset();
        connectingSince.reset();
        stoppedAt.reset();
        changePending = false;
        takeGain();
        mix.clear();
        sent.reset();
    }

    // The owner is going: the sound fades out where the server reads now, and the stream closes
    // once that has been heard.
    void finish() {
        if (ready && sent) {
            wanted.reset();
            changePending = true;
            askWhereTheServerReads();
            const auto until = Clock::now() + lastFade;
            for (auto now = Clock::now(); now < until && !broken; now = Clock::now()) {
                if (!iterate(until - now)) {
                    break;
                }
            }
        }
        close();
    }
};

PulseAmbientOutput::PulseAmbientOutput() : m_worker(std::make_shared<Worker>()) {
    std::thread(Worker::run, m_worker).detach();
}

PulseAmbientOutput::~PulseAmbientOutput() {
    std::unique_lock lock(m_worker->mutex);
    m_worker->quitting = true;
    m_worker->wake();
    m_worker->changed.wait_for(lock, closingPatience, [this] { return m_worker->finished; });
}

void PulseAmbientOutput::play(std::shared_ptr<AmbientStream> stream) {
    const std::lock_guard lock(m_worker->mutex);
    m_worker->requested = std::move(stream);
    m_worker->told = true;
    m_worker->wake();
}

void PulseAmbientOutput::stop() {
    const std::lock_guard lock(m_worker->mutex);
    m_worker->requested.reset();
    m_worker->told = true;
    m_worker->wake();
}

void PulseAmbientOutput::setGain(const std::shared_ptr<AmbientStream>& stream, float gain) {
    const std::lock_guard lock(m_worker->mutex);
    m_worker->gainFor = stream;
    m_worker->newGain = gain;
    m_worker->gainTold = true;
    m_worker->wake();
}

bool PulseAmbientOutput::hasDevice() const {
    return m_worker->open;
}

bool PulseAmbientOutput::serverExpected() {
    if (qEnvironmentVariableIsSet("PULSE_SERVER")) {
        return true;
    }
    const QString runtime = qEnvironmentVariableIsSet("PULSE_RUNTIME_PATH")
                                ? qEnvironmentVariable("PULSE_RUNTIME_PATH")
                                : qEnvironmentVariable("XDG_RUNTIME_DIR") + QLatin1String("/pulse");
    return QFileInfo::exists(runtime + QLatin1String("/native"));
}

}  // namespace Quorel
