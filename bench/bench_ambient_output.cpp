// How long the caller's thread (the GUI thread in the app) is held when the ambient sound starts,
// switches to another sound or stops, with SDL's real device in front of a sound server. Each
// repetition is one call, so the median is that of single calls. Needs a sound server:
//   scripts/measure-ambient-switch.sh build/release
#include "AmbientAudioPlayer.h"
#include "audio/SdlAmbientOutput.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <thread>

using namespace Quorel;

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto settle = std::chrono::milliseconds(400);  // the device plays for a while

template <class Call>
void timeOnce(benchmark::State& state, Call call) {
    const auto begin = Clock::now();
    call();
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - begin).count());
}

void BM_StartSound(benchmark::State& state) {
    AmbientAudioPlayer player(std::make_unique<SdlAmbientOutput>());
    for (auto _ : state) {
        timeOnce(state, [&] { player.update(AmbientSoundType::Rain, true, 0.25); });
        std::this_thread::sleep_for(settle);
    }
}

void BM_SwitchSound(benchmark::State& state) {
    AmbientAudioPlayer player(std::make_unique<SdlAmbientOutput>());
    player.update(AmbientSoundType::Rain, true, 0.25);
    std::this_thread::sleep_for(settle);
    for (auto _ : state) {
        timeOnce(state, [&] { player.update(AmbientSoundType::Zen, true, 0.25); });
        std::this_thread::sleep_for(settle);
    }
}

void BM_StopSound(benchmark::State& state) {
    AmbientAudioPlayer player(std::make_unique<SdlAmbientOutput>());
    player.update(AmbientSoundType::Rain, true, 0.25);
    std::this_thread::sleep_for(settle);
    for (auto _ : state) {
        timeOnce(state, [&] { player.update(AmbientSoundType::Rain, false, 0.25); });
        std::this_thread::sleep_for(settle);
    }
}

void BM_ChangeVolume(benchmark::State& state) {
    AmbientAudioPlayer player(std::make_unique<SdlAmbientOutput>());
    player.update(AmbientSoundType::Rain, true, 0.25);
    std::this_thread::sleep_for(settle);
    for (auto _ : state) {
        timeOnce(state, [&] { player.update(AmbientSoundType::Rain, true, 0.5); });
    }
}

void oneCallEach(benchmark::internal::Benchmark* b) {
    b->UseManualTime()->Iterations(1)->Repetitions(15)->Unit(benchmark::kMillisecond);
}

}  // namespace

BENCHMARK(BM_StartSound)->Apply(oneCallEach);
BENCHMARK(BM_SwitchSound)->Apply(oneCallEach);
BENCHMARK(BM_StopSound)->Apply(oneCallEach);
BENCHMARK(BM_ChangeVolume)->Apply(oneCallEach);
BENCHMARK_MAIN();
