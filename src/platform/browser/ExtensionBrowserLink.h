// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "ports/BrowserScripting.h"

#include <QString>

#include <chrono>
#include <memory>

namespace Quorel {

struct LinkState;
class LinkServerThread;

// The app's end of the browser extension: a local socket that each browser profile running the
// extension reaches through its native-messaging host. The sockets live on a thread of their
// own; the engine's browser worker reads the latest front-tab reports and waits for navigations
// under a lock, so a slow or busy main thread never delays a check.
class ExtensionBrowserLink final : public BrowserScripting {
public:
    // Listening at socketPath (its folder made private, a stale socket replaced), or null when
    // the socket cannot be made or another Quorel answers on it; the reason is logged.
    static std::unique_ptr<ExtensionBrowserLink> create(const QString& socketPath);

    ~ExtensionBrowserLink() override;
    ExtensionBrowserLink(const ExtensionBrowserLink&) = delete;
    ExtensionBrowserLink& operator=(const ExtensionBrowserLink&) = delete;

    // The front tab of the family's browser whose window had the focus last, while that window
    // still has it; Refused when no browser of that family is connected, or only an extension
    // of another release.
    BrowserAnswer readFrontTab(BrowserFamily browser) override;
    // Sends that tab to the target; a blocked site always to the extension's own blocked page,
    // where the extension's rules send it as well. Failed when the
    // extension has not confirmed within the reply timeout.
    BrowserAnswer redirectFrontTab(BrowserFamily browser, const BrowserRedirect& target) override;
    bool reachesAnyBrowser() override;
    // Sent to every extension of this release now, and to each one that greets us later.
    void setRules(const BrowserRules& rules) override;
    // Whether an extension of this release is connected from that process (the host's parent).
    // A host that names a process this machine does not show as a browser of the family (a
    // sandbox's own numbering) counts for every process of the family.
    bool guardsBrowser(BrowserFamily browser, qint64 pid) override;
    // Called from the link's thread on every report of another address or focus.
    void setFrontTabChangedHandler(std::function<void()> handler) override;
    // While not judging, a navigation the extension holds is let go as soon as it is told.
    void setJudging(bool judging) override;
    // Lets go the navigation whose report readFrontTab read last, if the extension holds it.
    void letFrontTabLoad(BrowserFamily browser) override;

    void setReplyTimeout(std::chrono::milliseconds timeout);

private:
    ExtensionBrowserLink();

    std::shared_ptr<LinkState> m_state;
    std::unique_ptr<LinkServerThread> m_thread;
};

}  // namespace Quorel
