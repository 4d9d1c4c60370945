// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "BrowserFamily.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace Quorel {

struct BrowserAnswer {
    enum class Status { Ok, Refused, Failed };
    Status status = Status::Failed;
    QString address;  // the front tab's address when status is Ok
    // The link reaches this browser's ordinary windows but not its private ones (the user has
    // not allowed the extension there).
    bool privateWindowsUnseen = false;
    // The browser's extension is of a release whose messages the link does not read (Refused).
    bool otherRelease = false;
};

// Where a blocked tab goes: address, or, when that is empty, a blocked page naming blockedSite
// that the backend serves itself (the bridge could not listen, so its port may be anyone's).
struct BrowserRedirect {
    QString address;
    QString blockedSite;

    friend bool operator==(const BrowserRedirect&, const BrowserRedirect&) = default;
};

// What a browser enforces by itself, before any request is made and whether this app runs or
// not. Hosts are names in the letters DNS uses, each matching itself and every name below it.
struct BrowserRules {
    QStringList sites;       // the focus session's sites, sent to the blocked page...
    qint64 sitesUntil = 0;   // ...until this wall-clock time, ms since the epoch (0: no sites)
    QStringList adultSites;  // sent to the blocked page at any time
    bool blockYouTubeShorts = false;
    bool blockInstagramReels = false;

    friend bool operator==(const BrowserRules&, const BrowserRules&) = default;
};

// Reaches the front tab of a running web browser. Called only on the browser worker thread, one
// call at a time; each call may block, but must give up after a few seconds. Refused means that
// nothing reaches this browser at all (no extension connected, no debugging port).
class BrowserScripting {
public:
    virtual ~BrowserScripting() = default;

    // The address of the front tab of the family's browser whose window has the focus.
    virtual BrowserAnswer readFrontTab(BrowserFamily browser) = 0;

    // Sends the tab that readFrontTab read to target.
    virtual BrowserAnswer redirectFrontTab(BrowserFamily browser,
                                           const BrowserRedirect& target) = 0;

    // Every browser reached now or later enforces rules by itself from now on, in place of the
    // rules before; a backend whose browsers cannot enforce rules ignores them.
    virtual void setRules(const BrowserRules& rules) = 0;

    // Whether any browser at all can be reached now, whatever its family.
    virtual bool reachesAnyBrowser() = 0;

    // Whether a link answers for that browser process now: the extension in it (its host is the
    // process's child) or its DevTools endpoint. pid 0: any process of the family.
    virtual bool guardsBrowser(BrowserFamily browser, qint64 pid) = 0;

    // Whether addresses are judged now. A browser may hold a navigation of its front tab until
    // it is judged; while nothing is, such a navigation goes on at once.
    virtual void setJudging(bool judging) = 0;

    // The address that readFrontTab read last was judged and is not blocked: a navigation to it
    // that the browser holds goes on. Unknown: no browser is in front, so whatever any browser
    // holds goes on.
    virtual void letFrontTabLoad(BrowserFamily browser) = 0;

    // handler runs, on any thread, each time a browser tells that its front tab's address or
    // focus changed; a backend that is not told (it asks) never calls it. An empty handler ends
    // the calls, and returns only once a call under way is over.
    virtual void setFrontTabChangedHandler(std::function<void()> handler) = 0;
};

}  // namespace Quorel
