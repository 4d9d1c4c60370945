#include "Composition.h"

#include "FilePreferencesStore.h"
#include "NullAdapters.h"
#include "SystemClock.h"
#include "audio/CanberraSystemSound.h"
#include "x11/DesktopEntries.h"
#include "x11/X11Workspace.h"

#include <QtGlobal>

namespace Quorel {

Adapters::Adapters() = default;
Adapters::Adapters(Adapters&&) noexcept = default;
Adapters::~Adapters() = default;

namespace {

std::unique_ptr<Workspace> makeWorkspace(DesktopEntries& entries) {
    if (auto x11 = X11Workspace::create(entries)) {
        return x11;
    }
    qWarning(
        "Quorel: no X11 display to read the frontmost application from; "
        "screen time will not be counted.");
    return std::make_unique<NullWorkspace>();
}

std::unique_ptr<SystemSound> makeSystemSound() {
    if (auto canberra = CanberraSystemSound::create()) {
        return canberra;
    }
    return std::make_unique<NullSystemSound>();
}

}  // namespace

Adapters makeAdapters() {
    Adapters adapters;
    adapters.desktopEntries = std::make_unique<DesktopEntries>();
    adapters.workspace = makeWorkspace(*adapters.desktopEntries);
    adapters.preferences =
        std::make_unique<FilePreferencesStore>(FilePreferencesStore::defaultFolder());
    adapters.clock = std::make_unique<SystemClock>();
    adapters.sound = makeSystemSound();
    adapters.browser = std::make_unique<NullBrowserScripting>();
    adapters.ambient = std::make_unique<NullAmbientPlayer>();
    return adapters;
}

}  // namespace Quorel
