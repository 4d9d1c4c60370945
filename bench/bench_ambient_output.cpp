// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

// How long the caller's thread (the GUI thread in the app) is held when the ambient sound starts,
// switches to another sound or stops, and how long until a new volume is heard, through SDL and
// straight to the sound server. Each repetition is one call, so the median is that of single
// calls. Needs a sound server with a sink named quorel_null:
//   scripts/measure-ambient-switch.sh build/release
#include "AmbientAudioPlayer.h"
#include "audio/PulseAmbientOutput.h"
#include "audio/SdlAmbientOutput.h"

#include <benchmark/benchmark.h>
#include <pulse/simple.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

using namespace Quorel;

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto settle = std::chrono::milliseconds(400);  // the device plays for a while

// The sink's monitor in 5 ms pieces, each marked with when it arrived and whether it was silent.
// The monitor has a piece as soon as the sink mixed it, which on a null sink is what was played;
// a sound card plays it after its own buffer (the stream's "Sink Latency" in pactl).
class SinkMonitor {
public:
    SinkMonitor() {
        const pa_sample_spec spec{.format = PA_SAMPLE_FLOAT32NE, .rate = 48000, .channels = 1};
        const pa_buffer_attr attr{.maxlength = static_cast<std::uint32_t>(-1),
                                  .tlength = static_cast<std::uint32_t>(-1),
                                  .prebuf = static_cast<std::uint32_t>(-1),
                                  .minreq = static_cast<std::uint32_t>(-1),
                                  .fragsize = piece * sizeof(float)};
        m_pulse = pa_simple_new(nullptr, "bench_ambient_output", PA_STREAM_RECORD,
                                "quorel_null.monitor", "monitor", &spec, nullptr, &attr, nullptr);
        if (m_pulse != nullptr) {
            m_thread = std::thread([this] { record(); });
        }
    }
    ~SinkMonitor() {
        m_done = true;
        if (m_thread.joinable()) {
            m_thread.join();
        }
        if (m_pulse != nullptr) {
            pa_simple_free(m_pulse);
        }
    }
    bool ok() const { return m_pulse != nullptr; }

    // When the first silent piece after `since` arrived, within `patience`.
    std::optional<Clock::time_point> silentAfter(Clock::time_point since,
                                                 Clock::duration patience) {
        return firstAfter(since, patience, true);
    }
    std::optional<Clock::time_point> soundAfter(Clock::time_point since, Clock::duration patience) {
        return firstAfter(since, patience, false);
    }

private:
    static constexpr std::size_t piece = 240;

    std::optional<Clock::time_point> firstAfter(Clock::time_point since, Clock::duration patience,
                                                bool silent) {
        while (Clock::now() < since + patience) {
            {
                const std::lock_guard lock(m_mutex);
                for (const auto& [at, quiet] : m_pieces) {
                    if (at > since && quiet == silent) {
                        return at;
                    }
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return std::nullopt;
    }

    void record() {
        std::vector<float> samples(piece);
        while (!m_done) {
            if (pa_simple_read(m_pulse, samples.data(), samples.size() * sizeof(float), nullptr) <
                0) {
                return;
            }
            const bool quiet =
                std::all_of(samples.begin(), samples.end(), [](float v) { return v == 0; });
            const std::lock_guard lock(m_mutex);
            m_pieces.emplace_back(Clock::now(), quiet);
            if (m_pieces.size() > 4000) {
                m_pieces.erase(m_pieces.begin(), m_pieces.begin() + 2000);
            }
        }
    }

    pa_simple* m_pulse = nullptr;
    std::thread m_thread;
    std::atomic<bool> m_done{false};
    std::mutex m_mutex;
    std::vector<std::pair<Clock::time_point, bool>> m_pieces;
};

template <class Call>
void timeOnce(benchmark::State& state, Call call) {
    const auto begin = Clock::now();
    call();
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - begin).count());
}

template <class Output>
void BM_StartSound(benchmark::State& state) {
    AmbientAudioPlayer player(std::make_unique<Output>());
    for (auto _ : state) {
        timeOnce(state, [&] { player.update(AmbientSoundType::Rain, true, 0.25); });
        std::this_thread::sleep_for(settle);
    }
}

template <class Output>
void BM_SwitchSound(benchmark::State& state) {
    AmbientAudioPlayer player(std::make_unique<Output>());
    player.update(AmbientSoundType::Rain, true, 0.25);
    std::this_thread::sleep_for(settle);
    for (auto _ : state) {
        timeOnce(state, [&] { player.update(AmbientSoundType::Zen, true, 0.25); });
        std::this_thread::sleep_for(settle);
    }
}

template <class Output>
void BM_StopSound(benchmark::State& state) {
    AmbientAudioPlayer player(std::make_unique<Output>());
    player.update(AmbientSoundType::Rain, true, 0.25);
    std::this_thread::sleep_for(settle);
    for (auto _ : state) {
        timeOnce(state, [&] { player.update(AmbientSoundType::Rain, false, 0.25); });
        std::this_thread::sleep_for(settle);
    }
}

template <class Output>
void BM_ChangeVolume(benchmark::State& state) {
    AmbientAudioPlayer player(std::make_unique<Output>());
    player.update(AmbientSoundType::Rain, true, 0.25);
    std::this_thread::sleep_for(settle);
    for (auto _ : state) {
        timeOnce(state, [&] { player.update(AmbientSoundType::Rain, true, 0.5); });
    }
}

// From a new volume to the first piece of the sink that has it: rain at 0.25 turned down to 0, so
// the first silent piece; and back up, the first piece with sound. The queue is full before each.
template <class Output>
void BM_VolumeHeard(benchmark::State& state) {
    SinkMonitor sink;
    if (!sink.ok()) {
        state.SkipWithError("cannot record quorel_null.monitor");
        return;
    }
    const bool down = state.range(0) == 0;
    AmbientAudioPlayer player(std::make_unique<Output>());
    player.update(AmbientSoundType::Rain, true, 0.25);
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    for (auto _ : state) {
        if (!down) {
            player.update(AmbientSoundType::Rain, true, 0.0);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1200));
        const auto called = Clock::now();
        player.update(AmbientSoundType::Rain, true, down ? 0.0 : 0.25);
        const auto heard = down ? sink.silentAfter(called, std::chrono::seconds(3))
                                : sink.soundAfter(called, std::chrono::seconds(3));
        if (!heard) {
            state.SkipWithError("the new volume was not heard within 3 s");
            return;
        }
        state.SetIterationTime(std::chrono::duration<double>(*heard - called).count());
        if (down) {
            player.update(AmbientSoundType::Rain, true, 0.25);
        }
    }
}

void oneCallEach(benchmark::internal::Benchmark* b) {
    b->UseManualTime()->Iterations(1)->Repetitions(15)->Unit(benchmark::kMillisecond);
}

}  // namespace

BENCHMARK_TEMPLATE(BM_StartSound, SdlAmbientOutput)->Apply(oneCallEach);
BENCHMARK_TEMPLATE(BM_SwitchSound, SdlAmbientOutput)->Apply(oneCallEach);
BENCHMARK_TEMPLATE(BM_StopSound, SdlAmbientOutput)->Apply(oneCallEach);
BENCHMARK_TEMPLATE(BM_ChangeVolume, SdlAmbientOutput)->Apply(oneCallEach);
BENCHMARK_TEMPLATE(BM_StartSound, PulseAmbientOutput)->Apply(oneCallEach);
BENCHMARK_TEMPLATE(BM_SwitchSound, PulseAmbientOutput)->Apply(oneCallEach);
BENCHMARK_TEMPLATE(BM_StopSound, PulseAmbientOutput)->Apply(oneCallEach);
BENCHMARK_TEMPLATE(BM_ChangeVolume, PulseAmbientOutput)->Apply(oneCallEach);
// 0: down to silence, 1: up from it.
BENCHMARK_TEMPLATE(BM_VolumeHeard, SdlAmbientOutput)->Arg(0)->Arg(1)->Apply(oneCallEach);
BENCHMARK_TEMPLATE(BM_VolumeHeard, PulseAmbientOutput)->Arg(0)->Arg(1)->Apply(oneCallEach);
BENCHMARK_MAIN();
