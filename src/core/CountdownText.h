// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

namespace Quorel {

// The countdown as the manager publishes it: minutes and seconds, "45:00", "09:59", "180:00".
QString formatRemaining(qint64 remainingSeconds);

}  // namespace Quorel
