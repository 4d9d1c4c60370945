// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "BridgeProtocol.h"

namespace Quorel {

class BridgeThread;
class FocusManager;

// What the bridge answers, as the manager has it now.
BridgeStatusPayload bridgeStatusOf(const FocusManager& manager);

// Publishes the manager's status to the bridge now and on every change of a part of it, for as
// long as the bridge lives. The manager must outlive the bridge.
void feedBridge(BridgeThread& bridge, const FocusManager& manager);

}  // namespace Quorel
