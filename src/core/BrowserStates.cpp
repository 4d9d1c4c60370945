// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "BrowserStates.h"

#include <algorithm>

namespace Quorel {

QList<BrowserOnDesktop> browsersOnDesktop(const QList<RunningApplication>& installed,
                                          const QList<RunningApplication>& running) {
    QList<BrowserOnDesktop> browsers;
    const auto note = [&browsers](const RunningApplication& application, bool isRunning) {
        if (!isWebBrowser(application)) {
            return;
        }
        const BrowserFamily family = browserFamilyOf(application);
        const QString name =
            family != BrowserFamily::Unknown ? browserFamilyName(family) : application.name;
        if (name.isEmpty()) {
            return;
        }
        const auto same = std::ranges::find_if(browsers, [&](const BrowserOnDesktop& browser) {
            return family != BrowserFamily::Unknown ? browser.family == family
                                                    : browser.name == name;
        });
        if (same == browsers.end()) {
            browsers.append(BrowserOnDesktop{name, family, isRunning});
        } else {
            same->running = same->running || isRunning;
        }
    };
    for (const RunningApplication& application : installed) {
        note(application, false);
    }
    for (const RunningApplication& application : running) {
        note(application, true);
    }
    std::ranges::sort(browsers, [](const BrowserOnDesktop& a, const BrowserOnDesktop& b) {
        return a.name.compare(b.name, Qt::CaseInsensitive) < 0;
    });
    return browsers;
}

namespace {

QString stateOf(const BrowserOnDesktop& browser, const BrowserLinkState& link) {
    if (browser.family == BrowserFamily::Unknown) {
        return QStringLiteral("Can't be guarded");
    }
    const QString page = browserExtensionsPage(browser.family);
    if (link.guarded && link.privateWindowsUnseen) {
        return QStringLiteral("Guarded, private windows not: ") +
               privateWindowsStep(browser.family);
    }
    if (link.guarded) {
        return QStringLiteral("Guarded");
    }
    if (link.otherRelease) {
        return QStringLiteral(
            "Extension from another release: install the one that came "
            "with Quorel");
    }
    if (!browser.running) {
        return QStringLiteral("Not running");
    }
    return QStringLiteral("Extension not enabled — enable Quorel in %1").arg(page);
}

}  // namespace

QList<BrowserStateLine> browserStateLines(const QList<BrowserOnDesktop>& browsers,
                                          const QHash<BrowserFamily, BrowserLinkState>& links) {
    QList<BrowserStateLine> lines;
    lines.reserve(browsers.size());
    for (const BrowserOnDesktop& browser : browsers) {
        const BrowserLinkState link = links.value(browser.family);
        lines.append(BrowserStateLine{browser.name, stateOf(browser, link), link.guarded});
    }
    return lines;
}

}  // namespace Quorel
