#pragma once

// Time since the last keyboard or pointer input, from the X server's MIT-SCREEN-SAVER extension.
// Asked on the heartbeat that already wakes once a second: one round trip, no timer of its own.

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

    // nullopt once the server has gone away.
    std::optional<std::chrono::milliseconds> idleTime();

    bool isIdleFor(std::chrono::milliseconds threshold) override;

private:
    explicit X11IdleTime(std::unique_ptr<XcbDisplay> display);

    std::unique_ptr<XcbDisplay> m_x;
};

}  // namespace Quorel
