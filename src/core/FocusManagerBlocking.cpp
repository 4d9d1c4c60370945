// Application blocking and the browser guard: the timers and hooks they run on.
#include "FocusManager.h"

#include <algorithm>

namespace Quorel {

void FocusManager::setupAppWatcher() {
    // The workspace reports activations itself; nothing to observe until the block rules run.
}

void FocusManager::startFastAppGuard() {
    m_guardTimer.setInterval(300);
    connect(&m_guardTimer, &QTimer::timeout, this, &FocusManager::guardTick);
    m_guardTimer.start();
}

void FocusManager::guardTick() {}

int FocusManager::enabledBlockedAppCount() const {
    return int(std::count_if(m_blockedApps.cbegin(), m_blockedApps.cend(),
                             [](const BlockedApp& app) { return app.isEnabled; }));
}

int FocusManager::enabledBlockedSiteCount() const {
    return int(std::count_if(m_blockedSites.cbegin(), m_blockedSites.cend(),
                             [](const BlockedSite& site) { return site.isEnabled; }));
}

void FocusManager::setInterceptedTargetName(const QString& name) {
    setInterceptedTarget(name.isEmpty() ? std::nullopt : std::optional<QString>(name));
}

void FocusManager::startLocalBridgeServer() {}

void FocusManager::hideAnyCurrentlyOpenBlockedApps() {}

void FocusManager::checkSafariIfFrontmost() {}

}  // namespace Quorel
