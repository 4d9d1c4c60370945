// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "ports/LoginStart.h"

namespace Quorel {

// The desktop's login start as a flag; refusal, when set, is what every change answers.
class FakeLoginStart : public LoginStart {
public:
    bool isEnabled() const override { return enabled; }
    QString setEnabled(bool on) override {
        ++changes;
        if (refusal.isEmpty()) {
            enabled = on;
        }
        return refusal;
    }

    bool enabled = false;
    QString refusal;
    int changes = 0;
};

}  // namespace Quorel
