// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "SchedulesFormat.h"

namespace Quorel {

QString scheduleDetailText(qint64 startHour, qint64 startMinute, qint64 endHour, qint64 endMinute,
                           FocusPreset preset) {
    return QString::asprintf("%02lld:%02lld \u2013 %02lld:%02lld \u2022 ",
                             static_cast<long long>(startHour), static_cast<long long>(startMinute),
                             static_cast<long long>(endHour), static_cast<long long>(endMinute)) +
           rawValue(preset);
}

QString deleteScheduleLabel(const QString& title) {
    return QStringLiteral("Delete ") + title;
}

QStringList presetTitles() {
    return allRawValues<FocusPreset>();
}

int presetIndex(FocusPreset preset) {
    int index = 0;
    for (const auto& [c, raw] : EnumCases<FocusPreset>::all) {
        if (c == preset) {
            return index;
        }
        ++index;
    }
    return -1;
}

std::optional<FocusPreset> presetAtIndex(int index) {
    const auto& all = EnumCases<FocusPreset>::all;
    if (index < 0 || static_cast<std::size_t>(index) >= all.size()) {
        return std::nullopt;
    }
    return all[static_cast<std::size_t>(index)].first;
}

QString clockFieldText(int value) {
    return QString::asprintf("%02d", value);
}

std::optional<int> parseClockField(QStringView text, int highest) {
    if (text.isEmpty() || text.size() > 2) {
        return std::nullopt;
    }
    int value = 0;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            return std::nullopt;
        }
        value = value * 10 + (c.unicode() - u'0');
    }
    if (value > highest) {
        return std::nullopt;
    }
    return value;
}

}  // namespace Quorel
