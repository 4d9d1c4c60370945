// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QStringList>

namespace Quorel {

// Lets the user pick installed applications to block.
class ApplicationChooser {
public:
    virtual ~ApplicationChooser() = default;

    // Shows the chooser modally; the chosen applications' names in the chooser's order, empty
    // when cancelled.
    virtual QStringList chooseApplications() = 0;
};

}  // namespace Quorel
