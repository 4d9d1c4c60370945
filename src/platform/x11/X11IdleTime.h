// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Time since the last keyboard or pointer input, from the X server's MIT-SCREEN-SAVER extension.
// Asked on the heartbeat that already wakes once a second, with no timer of its own. Each ask
// takes the answer to the question sent at the one before and sends the next: waiting for the
// server's reply would put the main thread to sleep and wake it once more every second.

#include "presence/IdleMonitor.h"

#include <QString>

#include <chrono>
#include <memory>
#include <optional>

namespace Quorel {

struct XcbDisplay;

class X11IdleTime final : public IdleMonitor {
public:
    // Opens the display (DISPLAY when displayName is empty) and asks once; nullptr when there is
    // no display or it lacks the extension.
    static std::unique_ptr<X11IdleTime> create(const QString& displayName = {});
    ~X11IdleTime() override;
    X11IdleTime(const X11IdleTime&) = delete;
    X11IdleTime& operator=(const X11IdleTime&) = delete;

    // As of the last ask (a second ago on the heartbeat), or now on the first; nullopt once the
    // server has gone away.
    std::optional<std::chrono::milliseconds> idleTime();

    bool isIdleFor(std::chrono::milliseconds threshold) override;

private:
    explicit X11IdleTime(std::unique_ptr<XcbDisplay> display);

    std::unique_ptr<XcbDisplay> m_x;
    std::optional<unsigned int> m_pending;  // the sequence of the question in flight
};

}  // namespace Quorel
