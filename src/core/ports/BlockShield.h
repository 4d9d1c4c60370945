// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

namespace Quorel {

class FocusManager;

// The floating shield raised over a blocked application as it is hidden.
class BlockShield {
public:
    virtual ~BlockShield() = default;

    // Shows the shield naming targetName, with manager's preset and time left; repeated calls
    // for the same name while it is up are throttled by the shield itself. Main thread only.
    virtual void show(const QString& targetName, FocusManager& manager) = 0;
};

}  // namespace Quorel
