// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "Models.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace Quorel {

// A schedule row's second line: its window and preset, "09:00 – 12:00 • Deep Work".
QString scheduleDetailText(qint64 startHour, qint64 startMinute, qint64 endHour, qint64 endMinute,
                           FocusPreset preset);

// What a screen reader hears for a row's trash button.
QString deleteScheduleLabel(const QString& title);

// The preset picker's entries, in declaration order, and the way between entry and preset.
QStringList presetTitles();
int presetIndex(FocusPreset preset);
std::optional<FocusPreset> presetAtIndex(int index);

// One field of an HH:MM picker: always two digits, "07".
QString clockFieldText(int value);

// A typed field: digits only, within 0 to highest; anything else is no value.
std::optional<int> parseClockField(QStringView text, int highest);

}  // namespace Quorel
