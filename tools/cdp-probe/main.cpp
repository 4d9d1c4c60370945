// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Drives the DevTools backend against whatever browsers run here, on the engine's browser thread.
//   cdp_probe read BROWSER           prints "ok ADDRESS", "refused" or "failed"
//   cdp_probe redirect BROWSER URL   the same, after loading URL in the front tab
//   cdp_probe measure BROWSER COUNT  latency of COUNT reads and of the process scan
// Exit status: 0 ok, 2 refused, 3 failed, 1 usage.

#include "BridgeProtocol.h"
#include "BrowserWorker.h"
#include "browser/CdpBrowserScripting.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <future>

using namespace Quorel;

namespace {

template <typename Result>
Result onBrowserThread(BrowserWorker& worker, std::function<Result()> call) {
    std::promise<Result> promise;
    worker.submit([&] { promise.set_value(call()); });
    return promise.get_future().get();
}

int report(const BrowserAnswer& answer) {
    switch (answer.status) {
        case BrowserAnswer::Status::Ok:
            std::printf("ok %s\n", qPrintable(answer.address));
            return 0;
        case BrowserAnswer::Status::Refused:
            std::printf("refused\n");
            return 2;
        case BrowserAnswer::Status::Failed:
            break;
    }
    std::printf("failed\n");
    return 3;
}

// Median and 90th percentile in milliseconds.
void printTimes(const char* what, QList<double> times) {
    std::sort(times.begin(), times.end());
    const auto at = [&](double share) {
        return times.at(static_cast<qsizetype>(share * static_cast<double>(times.size() - 1)));
    };
    std::printf("%s: median %.3f ms, p90 %.3f ms over %lld runs\n", what, at(0.5), at(0.9),
                static_cast<long long>(times.size()));
}

int measure(BrowserWorker& worker, CdpBrowserScripting& scripting, const QString& browser,
            int count) {
    const BrowserFamily family = browserFamilyFromKey(browser);
    const qsizetype processes =
        QDir(QStringLiteral("/proc")).entryList({QStringLiteral("[0-9]*")}, QDir::Dirs).size();
    QList<double> cold, warm, reads;
    for (int i = 0; i < count; ++i) {
        QElapsedTimer timer;
        timer.start();
        CdpEndpoints fresh;
        fresh.ports(family);
        cold.append(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    CdpEndpoints endpoints;
    endpoints.ports(family);
    for (int i = 0; i < count; ++i) {
        QElapsedTimer timer;
        timer.start();
        endpoints.ports(family);
        warm.append(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    for (int i = 0; i < count; ++i) {
        const auto [status, elapsed] =
            onBrowserThread<std::pair<BrowserAnswer::Status, double>>(worker, [&] {
                QElapsedTimer timer;
                timer.start();
                const auto answer = scripting.readFrontTab(family);
                return std::pair{answer.status, static_cast<double>(timer.nsecsElapsed()) / 1e6};
            });
        if (status != BrowserAnswer::Status::Ok) {
            std::printf("read %d did not succeed\n", i);
            return 3;
        }
        reads.append(elapsed);
    }
    std::printf("%lld processes\n", static_cast<long long>(processes));
    printTimes("first scan of /proc", cold);
    printTimes("later scans (new processes only)", warm);
    printTimes("readFrontTab", reads);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() < 2) {
        std::fprintf(stderr,
                     "usage: cdp_probe read|redirect|block|measure FAMILY [URL|SITE|COUNT]\n");
        return 1;
    }
    BrowserWorker worker;
    CdpBrowserScripting scripting(&blockedPageForSite);
    const QString& command = args.at(0);
    const QString& browser = args.at(1);
    const BrowserFamily family = browserFamilyFromKey(browser);
    if (command == QLatin1String("read")) {
        return report(
            onBrowserThread<BrowserAnswer>(worker, [&] { return scripting.readFrontTab(family); }));
    }
    // "redirect KEY URL" loads URL; "block KEY SITE" shows the page that carries itself.
    if ((command == QLatin1String("redirect") || command == QLatin1String("block")) &&
        args.size() == 3) {
        const BrowserRedirect target = command == QLatin1String("redirect")
                                           ? BrowserRedirect{args.at(2), {}}
                                           : BrowserRedirect{{}, args.at(2)};
        return report(onBrowserThread<BrowserAnswer>(
            worker, [&] { return scripting.redirectFrontTab(family, target); }));
    }
    if (command == QLatin1String("measure") && args.size() == 3) {
        return measure(worker, scripting, browser, std::max(1, args.at(2).toInt()));
    }
    std::fprintf(stderr, "unknown command\n");
    return 1;
}
