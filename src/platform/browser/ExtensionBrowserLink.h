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
    // the socket cannot be made; the reason is logged.
    static std::unique_ptr<ExtensionBrowserLink> create(const QString& socketPath);

    ~ExtensionBrowserLink() override;
    ExtensionBrowserLink(const ExtensionBrowserLink&) = delete;
    ExtensionBrowserLink& operator=(const ExtensionBrowserLink&) = delete;

    // The front tab of the family's browser whose window had the focus last; Refused when no
    // browser of that family is connected.
    BrowserAnswer readFrontTab(const QString& browser) override;
    // Loads url in that tab; Failed when the extension has not confirmed within the reply timeout.
    BrowserAnswer redirectFrontTab(const QString& browser, const QString& url) override;

    void setReplyTimeout(std::chrono::milliseconds timeout);

private:
    ExtensionBrowserLink();

    std::shared_ptr<LinkState> m_state;
    std::unique_ptr<LinkServerThread> m_thread;
};

}  // namespace Quorel
