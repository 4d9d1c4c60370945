// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "MainWindowFormat.h"

#include <algorithm>
#include <cmath>

namespace Quorel {

int dailyGoalPercent(double totalHours, double goalHours) {
    const double ratio = totalHours / goalHours * 100;
    if (!std::isfinite(ratio)) {
        return 100;
    }
    return static_cast<int>(std::min(std::trunc(ratio), 100.0));
}

QString dailyGoalPercentText(double totalHours, double goalHours) {
    return QString::number(dailyGoalPercent(totalHours, goalHours)) + QLatin1Char('%');
}

QString dailyGoalFigures(double totalHours, double goalHours) {
    return QString::asprintf("%.1fh of %.1fh", totalHours, goalHours);
}

bool showsStrictBanner(bool isRunning, bool strictMode) {
    return isRunning && strictMode;
}

QString strictBannerText() {
    return QStringLiteral(
        "Strict Mode Active: Early exit and blocklist edits are locked until the timer ends.");
}

QString screenFileName(FocusTab tab) {
    switch (tab) {
        case FocusTab::Focus:
            return QStringLiteral("FocusView.qml");
        case FocusTab::Blockers:
            return QStringLiteral("BlockersView.qml");
        case FocusTab::Schedules:
            return QStringLiteral("SchedulesView.qml");
        case FocusTab::Insights:
            return QStringLiteral("InsightsView.qml");
        case FocusTab::Settings:
            return QStringLiteral("SettingsView.qml");
    }
    return {};
}

QString screenIconName(FocusTab tab) {
    switch (tab) {
        case FocusTab::Focus:
            return QStringLiteral("chronometer");
        case FocusTab::Blockers:
            return QStringLiteral("security-medium");
        case FocusTab::Schedules:
            return QStringLiteral("appointment-soon");
        case FocusTab::Insights:
            return QStringLiteral("office-chart-bar");
        case FocusTab::Settings:
            return QStringLiteral("preferences-system");
    }
    return {};
}

QString shieldTitle(const QString& targetName) {
    return targetName + QStringLiteral(" is Blocked");
}

QString shieldMessage(const QString& targetName, FocusPreset preset) {
    return QStringLiteral("Quorel hid ") + targetName + QStringLiteral(" to protect your ") +
           rawValue(preset) + QStringLiteral(" session.");
}

QString unguardedShieldTitle(const QString& browserName) {
    return QStringLiteral("Websites Aren't Guarded in ") + browserName;
}

QString shieldRemaining(const QString& formattedRemaining) {
    return formattedRemaining + QStringLiteral(" remaining");
}

}  // namespace Quorel
