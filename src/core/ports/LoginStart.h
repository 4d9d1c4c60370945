// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QLatin1String>
#include <QString>

namespace Quorel {

// The argument a login start passes: Quorel then waits in the tray instead of opening its window.
inline constexpr QLatin1String loginStartArgument("--login");

// Whether the desktop starts Quorel when the user logs in.
class LoginStart {
public:
    virtual ~LoginStart() = default;

    // What the desktop will do at the next login, read afresh: its own settings may change it.
    virtual bool isEnabled() const = 0;

    // Asks the desktop to start Quorel at login, or not; empty on success, else why it could
    // not, in a sentence for the user (nothing is half done then).
    virtual QString setEnabled(bool enabled) = 0;
};

}  // namespace Quorel
