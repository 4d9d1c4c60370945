// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

namespace Quorel {

// Gives the pages of the process's file mappings (program code, libraries, fonts) back to the
// kernel, as memory pressure would: what is still needed comes back from the file on first
// touch. Called once the windows are gone, when the code that drew them is idle for a while.
// Returns how many mappings the kernel took the hint for.
int trimWorkingSet();

}  // namespace Quorel
