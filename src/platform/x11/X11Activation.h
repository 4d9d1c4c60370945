// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Brings one of our windows to the front for a later launch, with that launch's startup id.
//
// Why: Qt asks for activation with the time of the last event it saw, which a window manager
// that prevents focus stealing finds older than the user's last action elsewhere, and then
// only marks the window as wanting attention. The startup id carries the time of the launch
// itself ("..._TIME<n>"), which the user made: with it as the window's user time and the
// request's time, the window comes forward, and the launch feedback (a busy cursor, a taskbar
// entry) ends.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>

namespace Quorel {

class X11Activation {
public:
    // Opens the display (DISPLAY when displayName is empty); nullptr when there is none.
    static std::unique_ptr<X11Activation> create(const QString& displayName = {});
    ~X11Activation();
    X11Activation(const X11Activation&) = delete;
    X11Activation& operator=(const X11Activation&) = delete;

    // The launch time in a startup id, if it has one.
    static std::optional<std::uint32_t> launchTime(const QByteArray& startupId);

    // On a mapped window of ours.
    void activate(std::uint32_t window, const QByteArray& startupId);

private:
    struct Connection;
    explicit X11Activation(std::unique_ptr<Connection> connection);

    std::unique_ptr<Connection> m_x;
};

}  // namespace Quorel
