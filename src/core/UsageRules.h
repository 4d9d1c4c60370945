// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "Models.h"
#include "PersistedState.h"

#include <QDate>
#include <QList>

#include <optional>

namespace Quorel {

// A name as the match compares it; made once for a name compared with many others, so the
// Unicode folding of an accented name is done once, and never for a plain ASCII one.
class FoldedName {
public:
    explicit FoldedName(QStringView name);
    QStringView name() const { return m_name; }
    bool isAscii() const { return m_isAscii; }
    // Composed, then fully upper-cased (so ß meets SS); made on first use.
    const QString& key() const;

private:
    QStringView m_name;
    bool m_isAscii;
    mutable std::optional<QString> m_key;
};

// Whether an application name contains a list entry's name, ignoring case and Unicode's
// composed or decomposed spelling ("Café" either way). An empty entry matches nothing.
bool nameMatches(const FoldedName& appName, const FoldedName& entryName);
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

// The day's counters, the day the clock left last, and the totals per date.
struct DayBook {
    DayCounters current;
    std::optional<DayLeft> left;
    SecondsMap daily;
    SecondsMap dailyBlocked;
    // The day the counters belong to when a clock set back took them along; invalid otherwise.
    QDate countersOwnDay;
};

// Where the counters are once the calendar says today. A later day starts afresh and keeps the
// day left. A clock back on the day left, or past it, was ahead (set wrong, or a zone further
// west just after midnight): the counters return there with what was counted meanwhile, its
// daily seconds too. Any other step back takes the counters along to today, so the day rolls
// over at the next midnight and never waits for a date a wrong clock once showed; should the
// clock come back to their own day (a clock set back, then corrected), they return there.
DayBook moveToDay(DayBook book, QDate today);

}  // namespace Quorel
