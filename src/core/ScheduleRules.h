#pragma once

#include "Models.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

namespace Quorel {

// Minutes since midnight; seconds are ignored.
qint64 minuteOfDay(QTime time);

// Start included, end excluded; an end before the start wraps past midnight; equal is empty.
bool scheduleWindowContains(const FocusSchedule& schedule, qint64 minute);

// Length of a session started at minute inside the window: until the window's end, at least
// one minute and at most three hours.
qint64 scheduledSessionSeconds(const FocusSchedule& schedule, qint64 minute);

// A time of day chosen for the add form, on date. Held without a time zone: a form's 02:30
// stays 02:30 even on the day the clocks skip it. Invalid for an hour or minute out of range.
QDateTime wallClockTime(QDate date, int hour, int minute);

// The day on which the window open at minute of today began: the day before for the part of a
// wrapping window after midnight. One occurrence, one session.
QDate occurrenceDay(const FocusSchedule& schedule, QDate today, qint64 minute);

}  // namespace Quorel
