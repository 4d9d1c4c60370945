// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The cost of asking which application is in front, and which are running, on a real X server.
//
//   scripts/with-desktop.sh build/release/bench/bench_x11 --benchmark_repetitions=5
//
// Puts a window of its own in front, looking like an xterm (WM_CLASS xterm/XTerm and this
// process's id), so every lookup walks the whole path: active window, window properties,
// /proc/PID/exe and the desktop entries. Behind it, 30 more windows of 10 made-up applications
// for the list of running ones, which focus start walks in full.

#include "x11/X11Workspace.h"
#include "xdg/DesktopEntries.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>
#include <xcb/xcb_icccm.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace Quorel;

namespace {

X11Workspace* workspace = nullptr;

// An xterm look-alike in front, made and activated over a connection of its own.
bool putWindowInFront(xcb_connection_t* c, int screen) {
    xcb_ewmh_connection_t ewmh{};
    if (!xcb_ewmh_init_atoms_replies(&ewmh, xcb_ewmh_init_atoms(c, &ewmh), nullptr)) {
        return false;
    }
    const xcb_window_t w = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, w, ewmh.screens[screen]->root, 0, 0, 300, 200, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
    static const char wmClass[] = "xterm\0XTerm";
    xcb_icccm_set_wm_class(c, w, sizeof(wmClass), wmClass);
    xcb_ewmh_set_wm_pid(&ewmh, w, static_cast<std::uint32_t>(QCoreApplication::applicationPid()));
    xcb_map_window(c, w);

    bool active = false;
    const QDeadlineTimer deadline(5000);
    while (!active && !deadline.hasExpired()) {
        xcb_ewmh_request_change_active_window(&ewmh, screen, w, XCB_EWMH_CLIENT_SOURCE_TYPE_OTHER,
                                              XCB_CURRENT_TIME, XCB_WINDOW_NONE);
        xcb_flush(c);
        QThread::msleep(20);
        xcb_window_t now = XCB_WINDOW_NONE;
        active = xcb_ewmh_get_active_window_reply(&ewmh, xcb_ewmh_get_active_window(&ewmh, screen),
                                                  &now, nullptr) &&
                 now == w;
    }
    xcb_ewmh_connection_wipe(&ewmh);
    return active;
}

constexpr int backgroundApplications = 10;
constexpr int windowsPerApplication = 3;

// Windows of made-up applications, three to a process id, each with a class of its own. openbox
// loses windows mapped while it starts: they are mapped again until it lists them all.
bool addBackgroundWindows(xcb_connection_t* c, int screen, Workspace& listing) {
    xcb_ewmh_connection_t ewmh{};
    if (!xcb_ewmh_init_atoms_replies(&ewmh, xcb_ewmh_init_atoms(c, &ewmh), nullptr)) {
        return false;
    }
    std::vector<xcb_window_t> windows;
    for (int app = 0; app < backgroundApplications; ++app) {
        const QByteArray name = "bench" + QByteArray::number(app);
        const QByteArray wmClass = name + '\0' + "Bench" + QByteArray::number(app) + '\0';
        for (int i = 0; i < windowsPerApplication; ++i) {
            const xcb_window_t w = xcb_generate_id(c);
            xcb_create_window(c, XCB_COPY_FROM_PARENT, w, ewmh.screens[screen]->root, 0, 0, 100,
                              100, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0,
                              nullptr);
            xcb_icccm_set_wm_class(c, w, static_cast<std::uint32_t>(wmClass.size()),
                                   wmClass.constData());
            xcb_ewmh_set_wm_pid(&ewmh, w, static_cast<std::uint32_t>(3999000 + app));
            windows.push_back(w);
        }
    }
    xcb_ewmh_connection_wipe(&ewmh);
    const QDeadlineTimer deadline(10000);
    while (listing.runningApplications().size() < backgroundApplications) {
        if (deadline.hasExpired()) {
            return false;
        }
        for (const xcb_window_t w : windows) {
            xcb_map_window(c, w);
        }
        xcb_flush(c);
        QThread::msleep(200);
    }
    return true;
}

void BM_FrontmostQueried(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(workspace->queryFrontmostApplicationName());
    }
}
BENCHMARK(BM_FrontmostQueried);

void BM_FrontmostCached(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(workspace->frontmostApplicationName());
    }
}
BENCHMARK(BM_FrontmostCached);

void BM_RunningApplications(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(workspace->runningApplications());
    }
}
BENCHMARK(BM_RunningApplications);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    QCoreApplication app(argc, argv);

    int screen = 0;
    xcb_connection_t* c = xcb_connect(nullptr, &screen);
    DesktopEntries desktopEntries;
    std::unique_ptr<X11Workspace> x11 = X11Workspace::create(desktopEntries);
    if (xcb_connection_has_error(c) || !x11 || !addBackgroundWindows(c, screen, *x11) ||
        !putWindowInFront(c, screen)) {
        std::fprintf(stderr, "bench_x11 needs an X desktop: run it through with-desktop.sh\n");
        xcb_disconnect(c);
        return 1;
    }
    QCoreApplication::processEvents();  // let the cache hear the activation
    const std::optional<QString> name = x11->frontmostApplicationName();
    std::fprintf(stderr, "in front: %s\n", qPrintable(name.value_or(QStringLiteral("nothing"))));
    std::fprintf(stderr, "running: %lld applications\n",
                 static_cast<long long>(x11->runningApplications().size()));

    workspace = x11.get();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    xcb_disconnect(c);
    return 0;
}
