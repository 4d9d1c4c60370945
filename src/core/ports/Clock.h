// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

namespace Quorel {

// The wall clock and the user's calendar.
class Clock {
public:
    virtual ~Clock() = default;

    // Now, as a local date-time in the user's time zone.
    virtual QDateTime now() const = 0;

    // Milliseconds on a clock that only moves forward, at the same pace whatever the wall clock
    // is set to, and also while the process is stopped.
    virtual qint64 monotonicMilliseconds() const = 0;

    // The abbreviated weekday name of date in the user's locale ("Mon").
    virtual QString shortWeekdayName(QDate date) const = 0;
};

}  // namespace Quorel
