// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "AmbientSynth.h"

namespace Quorel {

// Compiled once here; every user of AmbientSynth links this instance.
template class BasicAmbientSynth<AmbientRandom>;

}  // namespace Quorel
