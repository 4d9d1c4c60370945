// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The ambient sounds' render loop against the plain per-sample loop of the same sounds. The
// figure that matters is realtime_x: seconds of audio rendered per second of CPU, at 44100 Hz.
#include "AmbientSynth.h"
#include "PlainAmbientSynth.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

using namespace Quorel;

namespace {

constexpr double rate = 44100;
constexpr std::size_t frames = 512;  // one device buffer, stereo as most devices are

// What a plain loop would draw from: the standard generator and distributions.
class StandardRandom {
public:
    explicit StandardRandom(std::uint64_t seed) : m_engine(seed) {}
    double uniform(double lo, double hi) {
        return std::uniform_real_distribution<double>(lo, hi)(m_engine);
    }
    std::uint64_t below(std::uint64_t n) {
        return std::uniform_int_distribution<std::uint64_t>(0, n - 1)(m_engine);
    }

private:
    std::mt19937_64 m_engine;
};

void report(benchmark::State& state) {
    state.counters["realtime_x"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * frames / rate, benchmark::Counter::kIsRate);
}

void BM_AmbientSynth(benchmark::State& state) {
    AmbientSynth synth(static_cast<AmbientSound>(state.range(0)), rate, AmbientRandom(1));
    std::vector<float> buffer(2 * frames);
    for (auto _ : state) {
        synth.render(buffer.data(), frames, 2, 0.25f);
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
    report(state);
}

void BM_PlainLoop(benchmark::State& state) {
    PlainAmbientSynth<StandardRandom> synth(static_cast<AmbientSound>(state.range(0)), rate,
                                            StandardRandom(1));
    std::vector<float> buffer(2 * frames);
    for (auto _ : state) {
        for (std::size_t f = 0; f < frames; ++f) {
            const float s = synth.next() * 0.25f;
            buffer[2 * f] = s;
            buffer[2 * f + 1] = s;
        }
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
    report(state);
}

void sounds(benchmark::internal::Benchmark* b) {
    b->ArgName("sound");
    for (AmbientSound s : {AmbientSound::Rain, AmbientSound::Lofi, AmbientSound::Zen}) {
        b->Arg(static_cast<int>(s));
    }
}

}  // namespace

BENCHMARK(BM_AmbientSynth)->Apply(sounds);
BENCHMARK(BM_PlainLoop)->Apply(sounds);
BENCHMARK_MAIN();
