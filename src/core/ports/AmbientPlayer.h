// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "Models.h"

namespace Quorel {

// The ambient sound that plays during focus.
class AmbientPlayer {
public:
    virtual ~AmbientPlayer() = default;

    // Plays type at volume (0 to 1) while shouldPlay is true, silence otherwise; Off is silence.
    virtual void update(AmbientSoundType type, bool shouldPlay, double volume) = 0;
};

}  // namespace Quorel
