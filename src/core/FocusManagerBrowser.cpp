// The browser URL guard: the once-a-second check of the front tab, the access probe, and the
// website list's operations. Browsers are reached only on the worker; results come back here.
#include "BrowserWorker.h"
#include "FocusManager.h"
#include "UrlRules.h"

#include <memory>

namespace Quorel {

void FocusManager::checkSafariIfFrontmost() {
    const bool focusActive = m_isRunning && !m_isBreak;
    if (!focusActive && !m_blockYouTubeShorts && !m_blockInstagramReels && !m_blockAdultSites) {
        return;
    }
    const std::optional<QString> browser = m_platform.workspace.frontmostApplicationName();
    if (!browser || browser->isEmpty() || !m_supportedBrowsers.contains(*browser) ||
        m_isCheckingBrowser) {
        return;
    }
    m_isCheckingBrowser = true;

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
    snapshot.focusActive = focusActive;
    snapshot.bridgePort = m_bridgePort;

    // Posted results are dropped with the manager; its destructor ends the worker first.
    BrowserScripting& scripting = m_platform.browser;
    m_browserWorker->submit([this, &scripting, name = *browser, snapshot = std::move(snapshot)] {
        std::optional<bool> denied;
        const BrowserAnswer answer = scripting.readFrontTab(name);
        if (answer.status == BrowserAnswer::Status::Refused) {
            denied = true;
        } else if (answer.status == BrowserAnswer::Status::Ok && !answer.address.isEmpty()) {
            if (const std::optional<QString> target = redirectTarget(snapshot, answer.address)) {
                scripting.redirectFrontTab(name, *target);
                denied = false;
            }
        }
        QMetaObject::invokeMethod(
            this,
            [this, denied] {
                if (denied) {
                    setSafariPermissionDenied(*denied);
                }
                m_isCheckingBrowser = false;
            },
            Qt::QueuedConnection);
    });
}

void FocusManager::requestSafariPermission() {
    setSafariPermissionDenied(false);
    QStringList browsers;
    for (const RunningApplication& application : m_platform.workspace.runningApplications()) {
        if (!application.name.isEmpty() && m_supportedBrowsers.contains(application.name)) {
            browsers.append(application.name);
        }
    }
    if (browsers.isEmpty()) {
        browsers.append(QStringLiteral("Safari"));
    }
    BrowserScripting& scripting = m_platform.browser;
    m_browserWorker->submit([this, &scripting, browsers] {
        bool denied = false;
        for (const QString& name : browsers) {
            denied =
                scripting.readFrontTab(name).status == BrowserAnswer::Status::Refused || denied;
        }
        QMetaObject::invokeMethod(
            this, [this, denied] { setSafariPermissionDenied(denied); }, Qt::QueuedConnection);
    });
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
