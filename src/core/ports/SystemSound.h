// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

namespace Quorel {

// Short event sounds of the desktop.
class SystemSound {
public:
    virtual ~SystemSound() = default;

    // Plays the end-of-focus chime once and returns at once; silent when no sound is available.
    virtual void playFocusComplete() = 0;
};

}  // namespace Quorel
