// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "InsightsFormat.h"

#include <algorithm>
#include <cmath>

namespace Quorel {

QString usageModeBadge(ScreenTimeTrackingMode mode) {
    return rawValue(mode);
}

QString hoursText(double hours) {
    return QString::asprintf("%.1fh", hours);
}

QString goalText(double goalHours) {
    return QString::asprintf("Goal: %.1fh", goalHours);
}

QString focusMinutesText(qint64 minutes) {
    return QString::number(minutes) + QLatin1Char('m');
}

QString sessionsTodayText(qint64 sessions) {
    return QString::number(sessions) +
           (sessions == 1 ? QStringLiteral(" session today") : QStringLiteral(" sessions today"));
}

QString streakDaysText(qint64 days) {
    return QString::number(days) + (days == 1 ? QStringLiteral(" day") : QStringLiteral(" days"));
}

QString weeklyBarLabel(double hours) {
    if (hours < 1) {
        // std::llround rounds halves away from zero, as the label wants.
        return QString::number(std::llround(hours * 60)) + QLatin1Char('m');
    }
    return hoursText(hours);
}

double weeklyBarHeight(double hours, double goalHours) {
    const double scale = std::max(goalHours, weeklyBarMinimumScaleHours);
    return std::max(weeklyBarStubHeight, weeklyBarFullHeight * std::min(hours, scale) / scale);
}

bool weeklyBarOverGoal(double hours, double goalHours) {
    return hours > goalHours;
}

QString topAppMinutesText(qint64 seconds) {
    const qint64 minutes = seconds < 60 ? 1 : seconds / 60;
    return QString::number(minutes) + QLatin1Char('m');
}

double topAppBarFraction(qint64 seconds) {
    const qint64 clamped = std::clamp<qint64>(seconds, 0, topAppFullBarSeconds);
    return static_cast<double>(clamped) / static_cast<double>(topAppFullBarSeconds);
}

}  // namespace Quorel
