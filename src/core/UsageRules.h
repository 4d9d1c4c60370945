#pragma once

#include "Models.h"
#include "PersistedState.h"

#include <QDate>
#include <QList>

namespace Quorel {

// Whether an application name contains a list entry's name, ignoring case and Unicode's
// composed or decomposed spelling ("Café" either way). An empty entry matches nothing.
bool nameMatches(QStringView appName, QStringView entryName);

// a + b, held at the 64-bit limits instead of overflowing.
qint64 saturatingAdd(qint64 a, qint64 b);

// Seconds of every tracked name that contains name; an empty name has none.
qint64 usedSeconds(const SecondsMap& tracked, QStringView name);

// The `count` names with the most seconds, most first; ties in name order.
QList<AppUsageItem> topUsage(const SecondsMap& tracked, qsizetype count = 5);

double hoursOf(qint64 seconds);

// The run of days before today, from yesterday backwards, on which Quorel tracked time
// (recordedDays) and the measured seconds stayed within the goal; a recorded day missing from
// measured counts as 0 seconds. Today itself is not looked at.
qint64 streakRunBefore(const SecondsMap& measured, const SecondsMap& recordedDays, QDate today,
                       double goalHours);

// Today (while within the goal) plus the run before it; 0 once today is over the goal.
qint64 streakDays(qint64 todaySeconds, qint64 runBefore, double goalHours);

}  // namespace Quorel
