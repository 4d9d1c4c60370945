// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "DesktopPresence.h"

#include "DBusScreenLock.h"

namespace Quorel {

DesktopPresence::DesktopPresence(std::unique_ptr<DBusScreenLock> lock,
                                 std::unique_ptr<IdleMonitor> idle)
    : m_lock(std::move(lock)), m_idle(std::move(idle)) {}

DesktopPresence::~DesktopPresence() = default;

bool DesktopPresence::isLocked() {
    return m_lock && m_lock->isLocked();
}

bool DesktopPresence::isIdleFor(std::chrono::milliseconds threshold) {
    return m_idle && m_idle->isIdleFor(threshold);
}

}  // namespace Quorel
