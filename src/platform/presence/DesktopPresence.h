// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "IdleMonitor.h"
#include "ports/Presence.h"

#include <memory>

namespace Quorel {

class DBusScreenLock;

// The desktop's lock and idle monitors behind the engine's port; either may be missing, and then
// says nothing.
class DesktopPresence final : public Presence {
public:
    DesktopPresence(std::unique_ptr<DBusScreenLock> lock, std::unique_ptr<IdleMonitor> idle);
    ~DesktopPresence() override;

    bool isLocked() override;
    bool isIdleFor(std::chrono::milliseconds threshold) override;

private:
    std::unique_ptr<DBusScreenLock> m_lock;
    std::unique_ptr<IdleMonitor> m_idle;
};

}  // namespace Quorel
