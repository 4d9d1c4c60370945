// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace Quorel {

// The allowance picker's options in order, "Focus Only" (no allowance) first.
QStringList allowanceTitles();
// The option that shows an allowance (0 is none); -1 for minutes no option offers, which only
// saved data can hold.
int allowanceIndex(qint64 minutes);
// The minutes an option stands for, 0 for "Focus Only"; nullopt past the options.
std::optional<int> allowanceMinutesAt(int index);

// A row's usage line, "12m / 30m today": whole minutes used, rounded down.
QString allowanceUsageText(qint64 usedSeconds, qint64 limitMinutes);
// The usage line turns red once the whole minutes used reach the allowance.
bool allowanceReached(qint64 usedSeconds, qint64 limitMinutes);

// What a screen reader hears for a row's picker and trash button.
QString allowancePickerLabel(const QString& appName);
QString deleteLabel(const QString& rowName);

}  // namespace Quorel
