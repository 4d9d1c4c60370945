// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "ports/AmbientPlayer.h"
#include "ports/ApplicationChooser.h"
#include "ports/BlockShield.h"
#include "ports/BrowserScripting.h"
#include "ports/Clock.h"
#include "ports/PreferencesStore.h"
#include "ports/Presence.h"
#include "ports/SystemSound.h"
#include "ports/Workspace.h"

namespace Quorel {

// The desktop services the engine runs on; the caller owns them and keeps them alive.
struct Platform {
    Workspace& workspace;
    PreferencesStore& preferences;
    Clock& clock;
    SystemSound& sound;
    BrowserScripting& browser;
    AmbientPlayer& ambient;
    BlockShield& shield;
    ApplicationChooser& chooser;
    Presence& presence;
};

}  // namespace Quorel
