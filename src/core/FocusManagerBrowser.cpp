// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The browser URL guard: the once-a-second check of the front tab, the access probe, and the
// website list's operations. Browsers are reached only on the worker; results come back here.
#include "BrowserRules.h"
#include "BrowserWorker.h"
#include "FocusManager.h"
#include "UrlRules.h"

#include <cstdlib>
#include <memory>
#include <utility>

namespace Quorel {

namespace {

// What the Blockers screen tells of a browser the link reaches only in part; empty when nothing.
QString browserLinkNotice(BrowserFamily browser, const BrowserAnswer& answer) {
    const QString name = browserFamilyName(browser);
    if (answer.otherRelease) {
        return QStringLiteral(
                   "The Quorel extension in %1 is from another release of Quorel: "
                   "install the extension that came with this one.")
            .arg(name);
    }
    if (!answer.privateWindowsUnseen) {
        return {};
    }
    return QStringLiteral("Private windows in %1 are not guarded: %2.")
        .arg(name, privateWindowsStep(browser));
}

}  // namespace

GuardSnapshot FocusManager::guardSnapshot() const {
    GuardSnapshot snapshot;
    for (const BlockedSite& site : m_blockedSites) {
        if (site.isEnabled) {
            snapshot.enabledSites.append(site.domain);
        }
    }
    snapshot.blockYouTubeShorts = m_blockYouTubeShorts;
    snapshot.blockInstagramReels = m_blockInstagramReels;
    snapshot.blockAdultSites = m_blockAdultSites;
    snapshot.adultDomains = m_adultDomains;
    snapshot.focusActive = m_isRunning && !m_isBreak;
    snapshot.bridgePort = m_bridgeActive ? m_bridgePort : 0;
    return snapshot;
}

void FocusManager::scheduleBrowserRules() {
    if (std::exchange(m_browserRulesPending, true)) {
        return;
    }
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_browserRulesPending = false;
            updateBrowserRules();
        },
        Qt::QueuedConnection);
}

namespace {
// A beat may come early or late against the wall clock; the end of focus moving by more than
// this (a suspended machine, a clock set) is told again.
constexpr qint64 focusEndTolerance = 2000;
}  // namespace

qint64 FocusManager::focusEndsAt() const {
    if (!m_isRunning || m_isBreak) {
        return 0;
    }
    // The countdown reaches 0 and focus ends on the beat after, so one more second.
    return m_platform.clock.now().toMSecsSinceEpoch() + (m_remainingSeconds + 1) * 1000;
}

void FocusManager::updateBrowserRules(bool beforeQuit) {
    if (m_isApplyingLoadedState) {
        scheduleBrowserRules();
        return;
    }
    BrowserRules rules = browserRulesFor(guardSnapshot(), focusEndsAt());
    if (m_browserRules && !rulesDiffer(*m_browserRules, rules, focusEndTolerance)) {
        return;
    }
    m_browserRules = rules;
    BrowserScripting& scripting = m_platform.browser;
    auto task = [&scripting, rules = std::move(rules)] { scripting.setRules(rules); };
    if (beforeQuit) {
        m_browserWorker->submitAndWait(std::move(task));
    } else {
        m_browserWorker->submit(std::move(task));
    }
}

void FocusManager::checkFrontBrowserTab() {
    // The lists and switches tell of their changes; the end of focus is followed here.
    if (!m_browserRules ||
        (m_browserRules->sitesUntil != 0 &&
         std::llabs(focusEndsAt() - m_browserRules->sitesUntil) > focusEndTolerance)) {
        updateBrowserRules();
    }
    const bool focusActive = m_isRunning && !m_isBreak;
    const bool judging =
        focusActive || m_blockYouTubeShorts || m_blockInstagramReels || m_blockAdultSites;
    if (judging != m_judgingAddresses) {
        // Browsers that hold a navigation until it is judged hold none while nothing is.
        m_judgingAddresses = judging;
        BrowserScripting& scripting = m_platform.browser;
        m_browserWorker->submit([&scripting, judging] { scripting.setJudging(judging); });
    }
    if (!judging) {
        m_browserReported = false;
        return;
    }
    // Told by program, not by the menu's name for it, which the desktop's language changes.
    const std::optional<RunningApplication> front = m_platform.workspace.frontmostApplication();
    const BrowserFamily browser = front ? browserFamilyOf(*front) : BrowserFamily::Unknown;
    if (m_isCheckingBrowser) {
        return;
    }
    noteFrontApplication(front);
    if (browser == BrowserFamily::Unknown) {
        // What a browser in the back told of is not judged: it must not wait for it.
        if (std::exchange(m_browserReported, false)) {
            BrowserScripting& scripting = m_platform.browser;
            m_browserWorker->submit(
                [&scripting] { scripting.letFrontTabLoad(BrowserFamily::Unknown); });
        }
        return;
    }
    m_browserReported = false;
    m_isCheckingBrowser = true;

    GuardSnapshot snapshot = guardSnapshot();

    // Posted results are dropped with the manager; its destructor ends the worker first.
    BrowserScripting& scripting = m_platform.browser;
    m_browserWorker->submit(
        [this, &scripting, browser, front = *front, snapshot = std::move(snapshot)] {
            std::optional<bool> denied;
            const BrowserAnswer answer = scripting.readFrontTab(browser);
            if (answer.status == BrowserAnswer::Status::Refused) {
                denied = true;
            } else if (answer.status == BrowserAnswer::Status::Ok && !answer.address.isEmpty()) {
                if (const std::optional<BrowserRedirect> target =
                        redirectTarget(snapshot, answer.address)) {
                    scripting.redirectFrontTab(browser, *target);
                    denied = false;
                } else {
                    scripting.letFrontTabLoad(browser);
                }
            } else {
                scripting.letFrontTabLoad(browser);
            }
            const QString notice = browserLinkNotice(browser, answer);
            QMetaObject::invokeMethod(
                this,
                [this, denied, browser, notice, front,
                 guarded = scripting.guardsBrowser(browser, front.pid)] {
                    if (denied) {
                        setBrowserAccessDenied(*denied);
                    }
                    noteBrowserLink(browser, notice);
                    noteFrontBrowserGuarded(front, guarded);
                    browserCheckDone();
                },
                Qt::QueuedConnection);
        });
}

void FocusManager::requestBrowserAccess() {
    setBrowserAccessDenied(false);
    checkBrowsers(true);
}

void FocusManager::refreshBrowserStates() {
    checkBrowsers(false);
}

void FocusManager::checkBrowsers(bool reportAccess) {
    const QList<BrowserOnDesktop> desktop = browsersOnDesktop(
        m_platform.workspace.installedApplications(), m_platform.workspace.runningApplications());
    QList<BrowserFamily> browsers;
    for (const BrowserOnDesktop& browser : desktop) {
        if (browser.running && browser.family != BrowserFamily::Unknown) {
            browsers.append(browser.family);
        }
    }
    BrowserScripting& scripting = m_platform.browser;
    m_browserWorker->submit([this, &scripting, browsers, desktop, reportAccess] {
        // With no browser running there is nothing to read: what counts is whether any browser
        // was ever linked.
        bool denied = browsers.isEmpty() && !scripting.reachesAnyBrowser();
        QList<std::pair<BrowserFamily, QString>> notices;
        QHash<BrowserFamily, BrowserLinkState> links;
        for (const BrowserFamily browser : browsers) {
            const BrowserAnswer answer = scripting.readFrontTab(browser);
            denied = answer.status == BrowserAnswer::Status::Refused || denied;
            notices.append({browser, browserLinkNotice(browser, answer)});
            links.insert(browser,
                         BrowserLinkState{scripting.guardsBrowser(browser, 0),
                                          answer.privateWindowsUnseen, answer.otherRelease});
        }
        QMetaObject::invokeMethod(
            this,
            [this, denied, notices, lines = browserStateLines(desktop, links), reportAccess] {
                if (reportAccess) {
                    setBrowserAccessDenied(denied);
                }
                for (const auto& [browser, notice] : notices) {
                    noteBrowserLink(browser, notice);
                }
                if (lines != m_browserStates) {
                    m_browserStates = lines;
                    emit browserStatesChanged();
                }
            },
            Qt::QueuedConnection);
    });
}

void FocusManager::browserCheckDone() {
    m_isCheckingBrowser = false;
    if (m_browserRecheck) {
        m_browserRecheck = false;
        checkFrontBrowserTab();
    }
}

void FocusManager::noteBrowserLink(BrowserFamily browser, const QString& notice) {
    if (notice.isEmpty()) {
        m_browserNotices.remove(browser);
    } else {
        m_browserNotices.insert(browser, notice);
    }
    refreshBrowserNotice();
}

void FocusManager::refreshBrowserNotice() {
    QStringList lines = m_browserNotices.values();
    for (const UnguardedBrowser& browser : std::as_const(m_unguardedBrowsers)) {
        if (!lines.contains(browser.notice)) {
            lines.append(browser.notice);
        }
    }
    setBrowserNotice(lines.join(QLatin1Char('\n')));
}

void FocusManager::addSite(const QString& domain) {
    if (isLocked()) {
        return;
    }
    const QString normalised = domain.trimmed().toLower();
    const bool listed =
        std::any_of(m_blockedSites.cbegin(), m_blockedSites.cend(),
                    [&normalised](const BlockedSite& site) { return site.domain == normalised; });
    if (normalised.isEmpty() || listed) {
        return;
    }
    QList<BlockedSite> sites = m_blockedSites;
    sites.prepend(BlockedSite{QUuid::createUuid(), normalised, true});
    setBlockedSites(sites);
    saveState();
}

void FocusManager::removeSite(const QUuid& id) {
    if (isLocked()) {
        return;
    }
    QList<BlockedSite> sites = m_blockedSites;
    sites.removeIf([&id](const BlockedSite& site) { return site.id == id; });
    setBlockedSites(sites);
    saveState();
}

void FocusManager::removeSiteWithId(const QString& id) {
    if (const std::optional<QUuid> uuid = uuidFromText(id)) {
        removeSite(*uuid);
    }
}

void FocusManager::setSiteEnabled(const QString& id, bool enabled) {
    if (isLocked()) {
        return;
    }
    const std::optional<QUuid> uuid = uuidFromText(id);
    QList<BlockedSite> sites = m_blockedSites;
    for (BlockedSite& site : sites) {
        if (uuid && site.id == *uuid) {
            site.isEnabled = enabled;
            setBlockedSites(sites);
            return;
        }
    }
}

}  // namespace Quorel
