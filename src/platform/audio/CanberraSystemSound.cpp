// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "CanberraSystemSound.h"

#include <canberra.h>

namespace Quorel {

std::unique_ptr<CanberraSystemSound> CanberraSystemSound::create() {
    ca_context* context = nullptr;
    if (ca_context_create(&context) != CA_SUCCESS) {
        return nullptr;
    }
    ca_context_change_props(context, CA_PROP_APPLICATION_NAME, "Quorel", CA_PROP_APPLICATION_ID,
                            "quorel", nullptr);
    return std::unique_ptr<CanberraSystemSound>(new CanberraSystemSound(context));
}

CanberraSystemSound::CanberraSystemSound(ca_context* context) : m_context(context) {}

CanberraSystemSound::~CanberraSystemSound() {
    ca_context_destroy(m_context);
}

void CanberraSystemSound::playFocusComplete() {
    // Asynchronous: libcanberra plays on its own thread; a missing sound or device is ignored.
    ca_context_play(m_context, 0, CA_PROP_EVENT_ID, "complete", CA_PROP_EVENT_DESCRIPTION,
                    "Focus period finished", nullptr);
}

}  // namespace Quorel
