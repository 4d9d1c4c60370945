// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

// What blocking costs on a real X desktop, with the engine and the X11 adapter as the app runs
// them (the other ports are fakes). Run through scripts/measure-x11-hide.sh, or:
//
//   scripts/with-desktop.sh build/release/bench/measure_x11_hide many [WINDOWS] [RUNS]
//   scripts/with-desktop.sh build/release/bench/measure_x11_hide fighter [SECONDS]
//
// many: WINDOWS (200) xterm look-alikes, each under a process id of its own (so as many blocked
// applications), are shown; focus starts; the time until the last of them is unmapped, and this
// process's CPU time meanwhile. RUNS (5) times, the windows shown again in between.
//
// fighter: a child process keeps one xterm look-alike mapped, mapping it again whenever it is
// unmapped. Focus runs for SECONDS (10): this process's share of a core, the child's, and the
// share of the time its window was mapped.

#include "FocusManager.h"
#include "Platform.h"
#include "x11/X11Workspace.h"
#include "xdg/DesktopEntries.h"

#include "Fakes.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>
#include <xcb/xcb_icccm.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

using namespace Quorel;

namespace {

constexpr std::uint32_t firstPid = 3990000;  // made up: nothing runs under them

double cpuSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The test's own X client, which makes the windows and watches them.
struct Client {
    xcb_connection_t* c = nullptr;
    xcb_ewmh_connection_t ewmh{};
    xcb_window_t root = XCB_WINDOW_NONE;
    int screen = 0;

    bool open() {
        c = xcb_connect(nullptr, &screen);
        if (xcb_connection_has_error(c) ||
            !xcb_ewmh_init_atoms_replies(&ewmh, xcb_ewmh_init_atoms(c, &ewmh), nullptr)) {
            return false;
        }
        root = ewmh.screens[screen]->root;
        return true;
    }

    xcb_window_t xterm(std::uint32_t pid, std::uint32_t mask = 0) {
        const xcb_window_t w = xcb_generate_id(c);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, w, root, 0, 0, 200, 100, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                          &mask);
        static const char wmClass[] = "xterm\0XTerm";
        xcb_icccm_set_wm_class(c, w, sizeof(wmClass), wmClass);
        xcb_ewmh_set_wm_pid(&ewmh, w, pid);
        xcb_map_window(c, w);
        return w;
    }

    // How many of the windows are viewable, asked in one batch.
    std::size_t viewable(const std::vector<xcb_window_t>& windows) {
        std::vector<xcb_get_window_attributes_cookie_t> cookies;
        cookies.reserve(windows.size());
        for (const xcb_window_t w : windows) {
            cookies.push_back(xcb_get_window_attributes(c, w));
        }
        std::size_t count = 0;
        for (const auto cookie : cookies) {
            xcb_get_window_attributes_reply_t* reply =
                xcb_get_window_attributes_reply(c, cookie, nullptr);
            count += reply && reply->map_state == XCB_MAP_STATE_VIEWABLE ? 1 : 0;
            std::free(reply);
        }
        return count;
    }

    void mapAll(const std::vector<xcb_window_t>& windows) {
        for (const xcb_window_t w : windows) {
            xcb_map_window(c, w);
        }
        xcb_flush(c);
    }
};

// Runs the event loop, as the app does, until the condition holds, asked every 5 ms; false
// after the timeout.
template <typename Condition>
bool runUntil(Condition condition, int timeoutMs) {
    if (condition()) {
        return true;
    }
    QEventLoop loop;
    QTimer poll;
    const QDeadlineTimer deadline(timeoutMs);
    bool held = false;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        held = condition();
        if (held || deadline.hasExpired()) {
            loop.quit();
        }
    });
    poll.start(5);
    loop.exec();
    return held;
}

struct Engine {
    DesktopEntries entries;
    std::unique_ptr<X11Workspace> workspace = X11Workspace::create(entries);
    FakeClock clock;
    MemoryPreferencesStore preferences;
    FakeSystemSound sound;
    FakeBrowserScripting browser;
    CapturingAmbientPlayer ambient;
    FakeBlockShield shield;
    FakeApplicationChooser chooser;
    FakePresence presence;
    std::unique_ptr<FocusManager> manager;

    bool start() {
        if (!workspace) {
            return false;
        }
        manager = std::make_unique<FocusManager>(Platform{
            *workspace, preferences, clock, sound, browser, ambient, shield, chooser, presence});
        manager->setStrictMode(false);
        manager->setBlockedApps(
            {BlockedApp{QUuid::createUuid(), QStringLiteral("XTerm"), true, std::nullopt}});
        return true;
    }
};

int many(int count, int runs) {
    Client x;
    Engine engine;
    if (!x.open() || !engine.start()) {
        std::fprintf(stderr, "needs an X desktop: run it through scripts/with-desktop.sh\n");
        return 1;
    }
    std::vector<xcb_window_t> windows;
    for (int i = 0; i < count; ++i) {
        windows.push_back(x.xterm(firstPid + std::uint32_t(i)));
    }
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        // openbox loses windows mapped while it starts: map again until it shows them all.
        if (!runUntil(
                [&] {
                    x.mapAll(windows);
                    return x.viewable(windows) == windows.size();
                },
                30000)) {
            std::fprintf(stderr, "the windows did not all show\n");
            return 1;
        }
        QThread::msleep(run == 0 ? 3000 : 300);
        QCoreApplication::processEvents();
        const double cpuBefore = cpuSeconds(RUSAGE_SELF);
        QElapsedTimer clock;
        clock.start();
        engine.manager->toggleStartPause();
        const bool hidden = runUntil([&] { return x.viewable(windows) == 0; }, 60000);
        const double ms = double(clock.nsecsElapsed()) / 1e6;
        const double cpu = cpuSeconds(RUSAGE_SELF) - cpuBefore;
        std::printf("run %d: %zu windows %s in %.0f ms, %.0f ms of CPU\n", run + 1, windows.size(),
                    hidden ? "hidden" : "NOT all hidden", ms, cpu * 1000);
        std::fflush(stdout);
        times.push_back(ms);
        engine.manager->resetTimer();
        QThread::msleep(300);
        QCoreApplication::processEvents();
    }
    std::sort(times.begin(), times.end());
    std::printf("median: %.0f ms to hide %d windows\n", times[times.size() / 2], count);
    return 0;
}

// The child: maps its window again whenever it is unmapped; prints how much of the time it was
// mapped when told to stop (SIGTERM ends the loop through a closed pipe).
[[noreturn]] void fight(int stopFd, int reportFd) {
    Client x;
    if (!x.open()) {
        std::_Exit(1);
    }
    const xcb_window_t w = x.xterm(firstPid, XCB_EVENT_MASK_STRUCTURE_NOTIFY);
    xcb_flush(x.c);
    char id[32];
    const int idLength = std::snprintf(id, sizeof id, "%u\n", w);
    [[maybe_unused]] const auto sent = write(reportFd, id, std::size_t(idLength));
    QElapsedTimer clock;
    clock.start();
    qint64 mappedSince = -1;
    qint64 mappedTotal = 0;
    long cycles = 0;
    const int xfd = xcb_get_file_descriptor(x.c);
    for (;;) {
        fd_set fds;
        FD_ZERO(&fds);
        FD_SET(xfd, &fds);
        FD_SET(stopFd, &fds);
        if (select(std::max(xfd, stopFd) + 1, &fds, nullptr, nullptr, nullptr) < 0) {
            continue;
        }
        if (FD_ISSET(stopFd, &fds)) {
            break;
        }
        while (xcb_generic_event_t* event = xcb_poll_for_event(x.c)) {
            const int type = event->response_type & 0x7f;
            if (type == XCB_MAP_NOTIFY && mappedSince < 0) {
                mappedSince = clock.nsecsElapsed();
            } else if (type == XCB_UNMAP_NOTIFY) {
                if (mappedSince >= 0) {
                    mappedTotal += clock.nsecsElapsed() - mappedSince;
                    mappedSince = -1;
                }
                ++cycles;
                xcb_map_window(x.c, w);
                xcb_flush(x.c);
            }
            std::free(event);
        }
        if (xcb_connection_has_error(x.c)) {
            break;
        }
    }
    if (mappedSince >= 0) {
        mappedTotal += clock.nsecsElapsed() - mappedSince;
    }
    char line[128];
    const int n = std::snprintf(line, sizeof line, "%.3f %ld\n",
                                double(mappedTotal) / double(clock.nsecsElapsed()), cycles);
    [[maybe_unused]] const auto written = write(reportFd, line, std::size_t(n));
    std::_Exit(0);
}

double childCpuSeconds(pid_t pid) {
    FILE* file =
        std::fopen(QByteArray("/proc/" + QByteArray::number(pid) + "/stat").constData(), "r");
    if (!file) {
        return 0;
    }
    char buffer[1024] = {};
    const std::size_t n = std::fread(buffer, 1, sizeof buffer - 1, file);
    std::fclose(file);
    const char* after = std::strrchr(buffer, ')');
    if (!after || n == 0) {
        return 0;
    }
    unsigned long utime = 0;
    unsigned long stime = 0;
    // Fields 14 and 15, counted from the state after the command name.
    std::sscanf(after + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &utime, &stime);
    return double(utime + stime) / double(sysconf(_SC_CLK_TCK));
}

int fighter(int seconds) {
    int stop[2];
    int report[2];
    if (pipe(stop) != 0 || pipe(report) != 0) {
        return 1;
    }
    const pid_t child = fork();
    if (child == 0) {
        close(stop[1]);
        close(report[0]);
        fight(stop[0], report[1]);
    }
    close(stop[0]);
    close(report[1]);
    Engine engine;
    if (!engine.start()) {
        std::fprintf(stderr, "needs an X desktop: run it through scripts/with-desktop.sh\n");
        return 1;
    }
    char line[128] = {};
    for (std::size_t at = 0; at + 1 < sizeof line && (at == 0 || line[at - 1] != '\n');) {
        if (read(report[0], line + at, 1) != 1) {
            return 1;
        }
        ++at;
    }
    const auto fighting = static_cast<xcb_window_t>(std::strtoul(line, nullptr, 10));
    Client x;
    if (!x.open()) {
        return 1;
    }
    QThread::msleep(1000);  // the window is up and managed
    QCoreApplication::processEvents();
    engine.manager->toggleStartPause();
    const double cpuBefore = cpuSeconds(RUSAGE_SELF);
    const double childBefore = childCpuSeconds(child);
    // Viewable, as the user sees it, sampled every 5 ms (the sampling is in this process's time).
    int samples = 0;
    int viewable = 0;
    runUntil(
        [&] {
            ++samples;
            viewable += int(x.viewable({fighting}));
            return false;
        },
        seconds * 1000);
    const double cpu = cpuSeconds(RUSAGE_SELF) - cpuBefore;
    const double childCpu = childCpuSeconds(child) - childBefore;
    close(stop[1]);
    std::memset(line, 0, sizeof line);
    [[maybe_unused]] const auto got = read(report[0], line, sizeof line - 1);
    waitpid(child, nullptr, 0);
    double mapped = 0;
    long cycles = 0;
    std::sscanf(line, "%lf %ld", &mapped, &cycles);
    std::printf(
        "fighter over %d s: Quorel %.1f %% of a core, the fighter %.1f %%, its window mapped "
        "%.1f %% of the time and viewable in %.1f %% of the samples, %ld unmaps\n",
        seconds, 100 * cpu / seconds, 100 * childCpu / seconds, 100 * mapped,
        100.0 * viewable / std::max(samples, 1), cycles);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray("many");
    const auto number = [&](int index, int fallback) {
        return argc > index ? std::max(1, std::atoi(argv[index])) : fallback;
    };
    if (mode == "many") {
        return many(number(2, 200), number(3, 5));
    }
    if (mode == "fighter") {
        return fighter(number(2, 10));
    }
    std::fprintf(stderr, "usage: %s many [WINDOWS] [RUNS] | fighter [SECONDS]\n", argv[0]);
    return 2;
}
