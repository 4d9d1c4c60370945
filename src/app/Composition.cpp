#include "Composition.h"

#include "FilePreferencesStore.h"
#include "NullAdapters.h"
#include "SystemClock.h"
#include "audio/CanberraSystemSound.h"

namespace Quorel {

std::unique_ptr<Workspace> makeWorkspace() {
    return std::make_unique<NullWorkspace>();  // X11Workspace goes here.
}

namespace {

std::unique_ptr<SystemSound> makeSystemSound() {
    if (auto canberra = CanberraSystemSound::create()) {
        return canberra;
    }
    return std::make_unique<NullSystemSound>();
}

}  // namespace

Adapters makeAdapters() {
    Adapters adapters;
    adapters.workspace = makeWorkspace();
    adapters.preferences =
        std::make_unique<FilePreferencesStore>(FilePreferencesStore::defaultFolder());
    adapters.clock = std::make_unique<SystemClock>();
    adapters.sound = makeSystemSound();
    adapters.browser = std::make_unique<NullBrowserScripting>();
    adapters.ambient = std::make_unique<NullAmbientPlayer>();
    return adapters;
}

}  // namespace Quorel
