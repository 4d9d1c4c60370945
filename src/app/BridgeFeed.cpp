// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "BridgeFeed.h"

#include "BridgeThread.h"
#include "FocusManager.h"

namespace Quorel {

BridgeStatusPayload bridgeStatusOf(const FocusManager& manager) {
    BridgeStatusPayload payload;
    payload.isRunning = manager.isRunning();
    payload.isBreak = manager.isBreak();
    payload.strictMode = manager.strictMode();
    payload.remainingSeconds = manager.remainingSeconds();
    payload.blockYouTubeShorts = manager.blockYouTubeShorts();
    payload.blockInstagramReels = manager.blockInstagramReels();
    payload.blockAdultSites = manager.blockAdultSites();
    for (const BlockedSite& site : manager.blockedSites()) {
        if (site.isEnabled) {
            payload.blockedSites.append(site.domain);
        }
    }
    return payload;
}

void feedBridge(BridgeThread& bridge, const FocusManager& manager) {
    const auto republish = [&bridge, &manager] { bridge.publish(bridgeStatusOf(manager)); };
    for (const auto changed :
         {&FocusManager::isRunningChanged, &FocusManager::isBreakChanged,
          &FocusManager::strictModeChanged, &FocusManager::remainingSecondsChanged,
          &FocusManager::blockYouTubeShortsChanged, &FocusManager::blockInstagramReelsChanged,
          &FocusManager::blockAdultSitesChanged, &FocusManager::blockedSitesChanged}) {
        QObject::connect(&manager, changed, &bridge, republish);
    }
    republish();
}

}  // namespace Quorel
