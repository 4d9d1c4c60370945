// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "CountdownText.h"
#include "Models.h"

#include <QString>

namespace Quorel {

// The countdown in three characters at most, for a tray icon: whole minutes left, rounded up
// ("45", "180"), then seconds in the last minute ("59s").
QString formatRemainingCompact(qint64 remainingSeconds);

// Usage against the goal, one decimal each: "1.3h / 4.0h".
QString formatUsageAgainstGoal(double totalHours, double goalHours);

// First line of the tray's control window.
QString controlHeaderTitle(bool isRunning, bool isBreak, FocusPreset preset);

// The start/pause button's label.
QString primaryActionTitle(bool isRunning, bool strictMode);

// Second line of the tray's control window; locked means a strict countdown is running.
QString controlHeaderSubtitle(bool locked);

// The word under the countdown: which phase is counting down.
QString countdownPhaseCaption(bool isBreak);

// How full the usage bar is, 0 to 1: usage against the goal, full once the goal is passed.
double usageBarFraction(double totalHours, double goalHours);

}  // namespace Quorel
