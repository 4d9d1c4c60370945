// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "DisplayFormat.h"

#include <algorithm>

namespace Quorel {

QString formatRemainingCompact(qint64 remainingSeconds) {
    if (remainingSeconds >= 60) {
        return QString::number((remainingSeconds + 59) / 60);
    }
    return QString::number(std::max<qint64>(remainingSeconds, 0)) + QLatin1Char('s');
}

QString formatUsageAgainstGoal(double totalHours, double goalHours) {
    return QString::asprintf("%.1fh / %.1fh", totalHours, goalHours);
}

QString controlHeaderTitle(bool isRunning, bool isBreak, FocusPreset preset) {
    if (!isRunning) {
        return QStringLiteral("Quorel Ready");
    }
    if (isBreak) {
        return QStringLiteral("Break Time");
    }
    return rawValue(preset) + QStringLiteral(" Active");
}

QString primaryActionTitle(bool isRunning, bool strictMode) {
    if (!isRunning) {
        return QStringLiteral("Start Focus");
    }
    return strictMode ? QStringLiteral("Locked") : QStringLiteral("Pause");
}

QString controlHeaderSubtitle(bool locked) {
    return locked ? QStringLiteral("Strict Mode Locked") : QStringLiteral("Tray Companion");
}

QString countdownPhaseCaption(bool isBreak) {
    return isBreak ? QStringLiteral("BREAK") : QStringLiteral("FOCUS");
}

double usageBarFraction(double totalHours, double goalHours) {
    // No goal: nothing to fill towards (and no division by zero).
    if (!(goalHours > 0)) {
        return 0;
    }
    return std::clamp(totalHours, 0.0, goalHours) / goalHours;
}

}  // namespace Quorel
