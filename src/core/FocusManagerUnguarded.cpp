// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Browsers Quorel cannot guard: one in front whose link does not answer (its extension switched
// off or removed, a profile without it), or one that takes no extension at all. During focus
// with websites blocked such a browser is told on the shield and the Blockers screen once it has
// stayed so for a few seconds, so that a link only reconnecting is not; in strict focus, or
// when the user asks for it, it is hidden like a blocked application.
#include "BrowserWorker.h"
#include "FocusManager.h"

namespace Quorel {

namespace {

QString unguardedNotice(const RunningApplication& browser) {
    const BrowserFamily family = browserFamilyOf(browser);
    if (family == BrowserFamily::Unknown) {
        return QStringLiteral(
                   "Quorel can't guard websites in %1: it takes no browser extension. Use "
                   "Firefox or Chromium while you focus.")
            .arg(browser.name.isEmpty() ? QStringLiteral("this browser") : browser.name);
    }
    return QStringLiteral("Quorel can't guard websites in %1: turn its extension back on in %2")
        .arg(browserFamilyName(family), browserExtensionsPage(family));
}

}  // namespace

void FocusManager::setupUnguardedBrowsers() {
    for (auto changed : {&FocusManager::isRunningChanged, &FocusManager::isBreakChanged,
                         &FocusManager::blockedSitesChanged}) {
        connect(this, changed, this, [this] {
            if (!guardsAgainstUnguardedBrowsers()) {
                m_unguardedFront.reset();
                m_unguardedBrowsers.clear();
                refreshBrowserNotice();
            }
        });
    }
}

bool FocusManager::guardsAgainstUnguardedBrowsers() const {
    return m_isRunning && !m_isBreak && enabledBlockedSiteCount() > 0;
}

bool FocusManager::hidingUnguardedBrowsers() const {
    return (m_strictMode || m_hideUnguardedBrowsers) && guardsAgainstUnguardedBrowsers();
}

bool FocusManager::hidesUnguardedBrowser(const RunningApplication& application) const {
    return hidingUnguardedBrowsers() && m_unguardedBrowsers.contains(application.key);
}

QString FocusManager::unguardedBrowserNotice(const QString& name) const {
    for (const UnguardedBrowser& browser : m_unguardedBrowsers) {
        if (browser.name == name) {
            return browser.notice;
        }
    }
    return {};
}

void FocusManager::noteFrontApplication(const std::optional<RunningApplication>& front) {
    if (!front || !isWebBrowser(*front)) {
        m_unguardedFront.reset();
    } else if (browserFamilyOf(*front) == BrowserFamily::Unknown) {
        noteFrontBrowserGuarded(*front, false);
    }
}

void FocusManager::noteFrontBrowserGuarded(const RunningApplication& browser, bool guarded) {
    if (guarded || !guardsAgainstUnguardedBrowsers()) {
        if (m_unguardedFront && m_unguardedFront->key == browser.key) {
            m_unguardedFront.reset();
        }
        if (m_unguardedBrowsers.remove(browser.key) > 0) {
            refreshBrowserNotice();
        }
        return;
    }
    const QDateTime now = m_platform.clock.now();
    if (!m_unguardedFront || m_unguardedFront->key != browser.key ||
        m_unguardedFront->since > now) {  // a clock set back starts the wait again
        m_unguardedFront = UnguardedFront{browser.key, now};
        return;
    }
    if (m_unguardedFront->since.msecsTo(now) < unguardedGraceMs ||
        m_unguardedBrowsers.contains(browser.key)) {
        return;
    }
    m_unguardedBrowsers.insert(browser.key,
                               UnguardedBrowser{browser.name, unguardedNotice(browser)});
    refreshBrowserNotice();
    if (hidesUnguardedBrowser(browser)) {
        handleActivatedApp(browser);
    } else {
        m_platform.shield.show(browser.name, *this);
    }
}

void FocusManager::recheckUnguardedBrowser(const RunningApplication& browser) {
    const BrowserFamily family = browserFamilyOf(browser);
    if (family == BrowserFamily::Unknown) {
        return;  // it takes no extension: nothing to wait for
    }
    // Hidden on sight, it never comes to the front to be checked: ask its link directly.
    BrowserScripting& scripting = m_platform.browser;
    m_browserWorker->submit([this, &scripting, family, browser] {
        if (scripting.guardsBrowser(family, browser.pid)) {
            QMetaObject::invokeMethod(
                this, [this, browser] { noteFrontBrowserGuarded(browser, true); },
                Qt::QueuedConnection);
        }
    });
}

}  // namespace Quorel
