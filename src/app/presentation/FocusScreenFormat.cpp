// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "FocusScreenFormat.h"

namespace Quorel {

QString focusStatusLine(bool isRunning, bool strictMode) {
    if (!isRunning) {
        return QStringLiteral("Ready");
    }
    return strictMode ? QStringLiteral("Locked until done") : QStringLiteral("Blocking active");
}

QString focusPrimaryActionTitle(bool isRunning, bool strictMode) {
    if (!isRunning) {
        return QStringLiteral("Start Focus");
    }
    return strictMode ? QStringLiteral("Strict Locked") : QStringLiteral("Pause");
}

bool isCurrentDuration(qint64 totalSeconds, qint64 durationSeconds) {
    return totalSeconds == durationSeconds;
}

QString blockedAppsValue(int enabledCount) {
    return QString::number(enabledCount) + QStringLiteral(" apps");
}

QString blockedSitesValue(int enabledCount) {
    return QString::number(enabledCount) + QStringLiteral(" sites");
}

QString shortFormValue(bool blocked) {
    return blocked ? QStringLiteral("Blocked") : QStringLiteral("Allowed");
}

QString adultFilterValue(bool blocked) {
    return blocked ? QStringLiteral("Active 24/7") : QStringLiteral("Off");
}

bool showsAmbientVolume(AmbientSoundType sound) {
    return sound != AmbientSoundType::Off;
}

}  // namespace Quorel
