// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <chrono>

namespace Quorel {

// One desktop's word on how long keyboard and pointer have been left alone.
class IdleMonitor {
public:
    virtual ~IdleMonitor() = default;

    // Untouched for at least threshold; false when the desktop cannot say. A monitor that the
    // desktop tells through watches re-arms them when the threshold changes, and says false
    // until the new watch has answered.
    virtual bool isIdleFor(std::chrono::milliseconds threshold) = 0;
};

}  // namespace Quorel
