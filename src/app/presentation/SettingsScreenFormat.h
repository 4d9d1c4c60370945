// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "Models.h"

#include <QString>

namespace Quorel {

// "Glass Transparency (35%)": the percentage truncated toward zero in double arithmetic, so
// 0.29 reads 28% (0.29 × 100 is just below 29).
QString glassTransparencyLabel(double transparency);

// "Daily Limit: 4.0 hours".
QString dailyLimitLabel(double hours);

// The caption under the usage-mode choice.
QString usageModeExplanation(ScreenTimeTrackingMode mode);

// The away threshold as the stepper shows it: "1 minute", "5 minutes".
QString awayAfterText(qint64 minutes);

// What the away setting means, under its stepper.
QString awayExplanation();

}  // namespace Quorel
