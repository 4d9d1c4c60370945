// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "BlockersFormat.h"

#include <array>
#include <utility>

namespace Quorel {

namespace {

constexpr std::array<std::pair<int, const char*>, 5> allowances{{
    {0, "Focus Only"},
    {5, "5m/day"},
    {15, "15m/day"},
    {30, "30m/day"},
    {60, "60m/day"},
}};

qint64 usedMinutes(qint64 usedSeconds) {
    return usedSeconds > 0 ? usedSeconds / 60 : 0;
}

}  // namespace

QStringList allowanceTitles() {
    QStringList titles;
    for (const auto& [minutes, title] : allowances) {
        titles.append(QString::fromLatin1(title));
    }
    return titles;
}

int allowanceIndex(qint64 minutes) {
    for (std::size_t i = 0; i < allowances.size(); ++i) {
        if (allowances[i].first == minutes) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::optional<int> allowanceMinutesAt(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= allowances.size()) {
        return std::nullopt;
    }
    return allowances[static_cast<std::size_t>(index)].first;
}

QString allowanceUsageText(qint64 usedSeconds, qint64 limitMinutes) {
    return QString::asprintf("%lldm / %lldm today",
                             static_cast<long long>(usedMinutes(usedSeconds)),
                             static_cast<long long>(limitMinutes));
}

bool allowanceReached(qint64 usedSeconds, qint64 limitMinutes) {
    return usedMinutes(usedSeconds) >= limitMinutes;
}

QString allowancePickerLabel(const QString& appName) {
    return QStringLiteral("Daily allowance for ") + appName;
}

QString deleteLabel(const QString& rowName) {
    return QStringLiteral("Delete ") + rowName;
}

}  // namespace Quorel
