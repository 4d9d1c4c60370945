// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The engine's hot paths: one heartbeat, and one whole save to disk.
#include "Fakes.h"
#include "FilePreferencesStore.h"
#include "SystemClock.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace Quorel;

namespace {

QList<BlockedApp> fiftyBlockEntries() {
    QList<BlockedApp> apps;
    for (int i = 0; i < 50; ++i) {
        apps.append(BlockedApp{QUuid::createUuid(), QStringLiteral("Blocked Tool %1").arg(i), true,
                               i % 3 == 0 ? std::optional<qint64>(30) : std::nullopt});
    }
    return apps;
}

SecondsMap tenYearsOfDays(QDate today) {
    SecondsMap days;
    for (int i = 0; i < 3650; ++i) {
        days.insert(dateStamp(today.addDays(-i)), 3600 + i);
    }
    return days;
}

// A heartbeat with a running countdown, 50 block entries (none matching, so every entry is
// looked at) and 500 applications already tracked today; the wall clock is the real one.
// Argument 1: accented application names, which take the Unicode-aware match.
void BM_HeartbeatTick(benchmark::State& state) {
    FakeDesktop desktop;
    SystemClock clock;
    MemoryPreferencesStore store;
    Platform platform{desktop.workspace, store,           clock,
                      desktop.sound,     desktop.browser, desktop.ambient,
                      desktop.shield,    desktop.chooser, desktop.presence};
    FocusManager m(platform);
    m.setBlockedApps(fiftyBlockEntries());
    QStringList names;
    SecondsMap tracked;
    for (int i = 0; i < 500; ++i) {
        names.append(
            (state.range(0) == 1 ? QStringLiteral("Éditeur %1") : QStringLiteral("Application %1"))
                .arg(i));
        tracked.insert(names.last(), i);
    }
    m.setTrackedAppSeconds(tracked);
    m.setStrictMode(false);
    m.setTotalSeconds(1'000'000'000);
    m.setRemainingSeconds(1'000'000'000);
    m.toggleStartPause();
    qsizetype next = 0;
    for (auto _ : state) {
        desktop.workspace.frontmost = names[next];
        next = (next + 1) % names.size();
        m.tick();
    }
    state.counters["saves"] = store.writes;
}
BENCHMARK(BM_HeartbeatTick)->Arg(0)->Arg(1);

// One beat of the 0.3 s guard outside focus, with 100 block entries (each with an allowance)
// and 500 applications tracked today. Argument 0: the app in front matches no entry; 1: it
// matches one whose allowance is not used up, so its usage is summed over all 500.
void BM_GuardTick(benchmark::State& state) {
    FakeDesktop desktop;
    auto m = desktop.makeManager();
    QList<BlockedApp> apps;
    for (int i = 0; i < 100; ++i) {
        apps.append(BlockedApp{QUuid::createUuid(), QStringLiteral("Blocked Tool %1").arg(i), true,
                               std::optional<qint64>(600)});
    }
    m->setBlockedApps(apps);
    SecondsMap tracked;
    for (int i = 0; i < 500; ++i) {
        tracked.insert(QStringLiteral("Application %1").arg(i), i);
    }
    m->setTrackedAppSeconds(tracked);
    desktop.workspace.frontmost =
        state.range(0) == 1 ? QStringLiteral("Blocked Tool 50") : QStringLiteral("Application 7");
    for (auto _ : state) {
        m->guardTick();
    }
    state.counters["hides"] = double(desktop.workspace.hidden.size());
}
BENCHMARK(BM_GuardTick)->Arg(0)->Arg(1);

// A whole save: fields to JSON to a file atomically replaced on disk, with ten years of days.
void BM_SaveStateTenYears(benchmark::State& state) {
    QTemporaryDir dir(QStringLiteral(QUOREL_BENCH_DIR "/save-XXXXXX"));
    FilePreferencesStore store(dir.path());
    FakeDesktop desktop;
    Platform platform{desktop.workspace, store,           desktop.clock,
                      desktop.sound,     desktop.browser, desktop.ambient,
                      desktop.shield,    desktop.chooser, desktop.presence};
    FocusManager m(platform);
    const QDate today = desktop.clock.now().date();
    m.setDailySecondsByDate(tenYearsOfDays(today));
    m.setDailyBlockedSecondsByDate(tenYearsOfDays(today));
    SecondsMap tracked;
    for (int i = 0; i < 500; ++i) {
        tracked.insert(QStringLiteral("Application %1").arg(i), i);
    }
    m.setTrackedAppSeconds(tracked);
    m.setBlockedApps(fiftyBlockEntries());
    for (auto _ : state) {
        m.saveState();
    }
    state.counters["bytes"] = double(store.data(m.storageKey()).value_or(QByteArray()).size());
}
BENCHMARK(BM_SaveStateTenYears)->Unit(benchmark::kMicrosecond);

// The document alone, without the disk.
void BM_EncodeTenYears(benchmark::State& state) {
    PersistedState s;
    const QDate today(2026, 12, 6);
    s.dailySecondsByDate = tenYearsOfDays(today);
    s.dailyBlockedSecondsByDate = tenYearsOfDays(today);
    for (auto _ : state) {
        benchmark::DoNotOptimize(encodePersistedState(s));
    }
}
BENCHMARK(BM_EncodeTenYears)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
