// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Whether the user has left the seat alone, told by the compositor: Wayland gives clients no
// idle time to read, only a notification once a chosen timeout has passed without input and
// another when input returns. ext-idle-notify-v1 where the compositor has it, else KDE's older
// idle protocol, which sway 1.7 (wlroots 0.15) offers instead.
//
// The connection is our own, read through a socket notifier: it wakes only when the compositor
// says something, twice per time away.

#include "presence/IdleMonitor.h"

#include <QObject>
#include <QString>

#include <chrono>
#include <memory>
#include <optional>

class QSocketNotifier;

namespace Quorel {

// A QObject only to own the socket notifier and be the context of its connection.
class WaylandIdleNotify final : public QObject, public IdleMonitor {
public:
    enum class Protocol { ExtIdleNotify, KdeIdle };

    // Connects to the compositor (WAYLAND_DISPLAY when displayName is empty) and binds a seat
    // and an idle protocol; nullptr when there is no compositor or it offers neither.
    static std::unique_ptr<WaylandIdleNotify> create(const QString& displayName = {});
    ~WaylandIdleNotify() override;

    Protocol protocol() const;

    // The first ask with a threshold arms a notification for it; it says true once the
    // compositor has told "idle", false again at the next input. False once the compositor is
    // gone.
    bool isIdleFor(std::chrono::milliseconds threshold) override;

private:
    struct Wayland;
    explicit WaylandIdleNotify(std::unique_ptr<Wayland> wayland);
    void arm(std::chrono::milliseconds threshold);
    void readEvents();
    void drop();

    std::unique_ptr<Wayland> m_wl;
    QSocketNotifier* m_notifier = nullptr;
    std::optional<std::chrono::milliseconds> m_armed;
};

}  // namespace Quorel
