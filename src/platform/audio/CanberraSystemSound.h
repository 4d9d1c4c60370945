// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "ports/SystemSound.h"

#include <memory>

struct ca_context;

namespace Quorel {

// Event sounds through libcanberra and the freedesktop sound theme.
class CanberraSystemSound : public SystemSound {
public:
    // nullptr when libcanberra cannot open a context here.
    static std::unique_ptr<CanberraSystemSound> create();
    ~CanberraSystemSound() override;

    void playFocusComplete() override;

private:
    explicit CanberraSystemSound(ca_context* context);
    ca_context* m_context;
};

}  // namespace Quorel
