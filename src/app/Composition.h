// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The concrete desktop services this build runs on: the one place that picks adapters.

#include "Platform.h"
#include "ports/LoginStart.h"

#include <memory>

namespace Quorel {

class DesktopEntries;
class ShieldWindowHints;
class WindowCompositor;
class X11Activation;

struct Adapters {
    Adapters();
    Adapters(Adapters&&) noexcept;
    ~Adapters();

    // Declared first: the workspace resolves names through it for its whole life.
    std::unique_ptr<DesktopEntries> desktopEntries;
    std::unique_ptr<Workspace> workspace;
    std::unique_ptr<PreferencesStore> preferences;
    std::unique_ptr<Clock> clock;
    std::unique_ptr<SystemSound> sound;
    std::unique_ptr<BrowserScripting> browser;
    std::unique_ptr<AmbientPlayer> ambient;
    // Declared before the shield, which asks it on every show.
    std::unique_ptr<ShieldWindowHints> shieldHints;
    std::unique_ptr<BlockShield> shield;
    std::unique_ptr<ApplicationChooser> chooser;
    std::unique_ptr<Presence> presence;
    // For the views, not the engine: WindowGlass asks it.
    std::unique_ptr<WindowCompositor> windowCompositor;
    // For the views: the Settings switch and the Focus screen's offer.
    std::unique_ptr<LoginStart> loginStart;
    // For a later launch's request to come forward; none off X11.
    std::unique_ptr<X11Activation> x11Activation;

    Platform platform() const {
        return Platform{*workspace, *preferences, *clock,   *sound,   *browser,
                        *ambient,   *shield,      *chooser, *presence};
    }
};

// Every adapter, each the real one where it can start here and the null one otherwise. Needs
// the application object: the window compositor depends on its platform.
Adapters makeAdapters();

// The path of a helper program of ours (the browser host, the strict focus watcher); empty when
// it is not installed.
QString helperProgramPath(const QString& name);

}  // namespace Quorel
