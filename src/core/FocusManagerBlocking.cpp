// Application blocking and the browser guard: the timers and hooks they run on.
#include "FocusManager.h"

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

void FocusManager::startLocalBridgeServer() {}

void FocusManager::hideAnyCurrentlyOpenBlockedApps() {}

void FocusManager::checkSafariIfFrontmost() {}

}  // namespace Quorel
