// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <chrono>

namespace Quorel {

// Whether the user is at the machine: screen time is not counted while they are away.
class Presence {
public:
    virtual ~Presence() = default;

    // The session is locked or its screen saver runs. Cheap: asked once a second.
    virtual bool isLocked() = 0;

    // Nobody has used keyboard or pointer for at least threshold; false when the desktop does not
    // tell. Asked once a second, never blocking on a slow peer; a new threshold may take a
    // moment to reach the desktop.
    virtual bool isIdleFor(std::chrono::milliseconds threshold) = 0;
};

}  // namespace Quorel
