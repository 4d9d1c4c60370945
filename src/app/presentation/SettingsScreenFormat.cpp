// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "SettingsScreenFormat.h"

#include <cmath>

namespace Quorel {

QString glassTransparencyLabel(double transparency) {
    // Adding zero turns a negative zero into "0" rather than "-0".
    const double percent = std::trunc(transparency * 100.0) + 0.0;
    return QStringLiteral("Glass Transparency (") + QString::number(percent, 'f', 0) +
           QStringLiteral("%)");
}

QString dailyLimitLabel(double hours) {
    return QString::asprintf("Daily Limit: %.1f hours", hours);
}

QString usageModeExplanation(ScreenTimeTrackingMode mode) {
    if (mode == ScreenTimeTrackingMode::AllApps) {
        return QStringLiteral("Counts total active time across all apps.");
    }
    return QStringLiteral("Counts only time spent in apps on your Blocked Apps list.");
}

QString awayAfterText(qint64 minutes) {
    return minutes == 1 ? QStringLiteral("1 minute")
                        : QString::number(minutes) + QStringLiteral(" minutes");
}

QString awayExplanation() {
    return QStringLiteral(
        "While the screen is locked, or after this long without keyboard or mouse input, no "
        "screen time is counted. A focus countdown keeps running.");
}

}  // namespace Quorel
