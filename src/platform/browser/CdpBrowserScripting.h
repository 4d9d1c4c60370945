// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The browser link over the Chromium DevTools protocol, for Chromium-family browsers started with
// a debugging port (--remote-debugging-port, or switched on at run time). It reaches only
// endpoints on 127.0.0.1 that this user's own browsers announce. Branded Chrome refuses remote
// debugging on its default profile, so there it serves dedicated profiles only; Firefox is never
// reached this way.

#include "CdpClient.h"
#include "CdpEndpoints.h"
#include "ports/BrowserScripting.h"

#include <chrono>
#include <functional>
#include <optional>

namespace Quorel {

class CdpBrowserScripting : public BrowserScripting {
public:
    // The blocked page's HTML for a site, shown from a data: address when no address is given.
    using BlockedPage = std::function<QByteArray(const QString& site)>;

    // procRoot and configHome as for CdpEndpoints; each exchange with a browser gives up after
    // timeout, a whole call after about twice that.
    explicit CdpBrowserScripting(
        BlockedPage blockedPage, const QString& procRoot = QStringLiteral("/proc"),
        const QString& configHome = {},
        std::chrono::milliseconds timeout = std::chrono::milliseconds(1500));

    // The first page of the first endpoint that answers; Ok without an address when it has none.
    // Pages of private windows are listed with the rest, so they are read alike.
    BrowserAnswer readFrontTab(BrowserFamily browser) override;

    // Navigates the same page readFrontTab would read.
    BrowserAnswer redirectFrontTab(BrowserFamily browser, const BrowserRedirect& target) override;

    // Whether a browser of the Chromium family listens on a debugging port.
    bool reachesAnyBrowser() override;
    // The page is only steered from outside, by the front-tab check.
    void setRules(const BrowserRules&) override {}
    // Whether that process (any of the family for 0) answers on a debugging port.
    bool guardsBrowser(BrowserFamily browser, qint64 pid) override;
    // The DevTools backend asks; it is never told.
    void setFrontTabChangedHandler(std::function<void()>) override {}
    // Nothing holds a navigation for it.
    void setJudging(bool) override {}
    void letFrontTabLoad(BrowserFamily) override {}

private:
    // Asks each endpoint of the browser's family in turn until onPages has an answer from one.
    template <typename OnPages>
    BrowserAnswer firstAnswer(BrowserFamily browser, OnPages onPages);

    BlockedPage m_blockedPage;
    CdpEndpoints m_endpoints;
    CdpClient m_client;
    std::chrono::milliseconds m_timeout;
};

}  // namespace Quorel
