// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "QuitGuard.h"

#include "FocusManager.h"

namespace Quorel {

QuitAnswer quitAnswer(const FocusManager* manager) {
    if (manager == nullptr || !manager->isRunning() || !manager->strictMode()) {
        return QuitAnswer::TerminateNow;
    }
    return QuitAnswer::TerminateCancel;
}

}  // namespace Quorel
