// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

namespace Quorel {

class FocusManager;

enum class QuitAnswer { TerminateNow, TerminateCancel };

// Whether a quit request may proceed. Only a running strict countdown refuses it, focus or break
// alike; with no manager (not built yet, or gone) nothing holds the app.
QuitAnswer quitAnswer(const FocusManager* manager);

}  // namespace Quorel
