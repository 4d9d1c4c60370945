// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ScheduleRules.h"

#include <algorithm>

namespace Quorel {

namespace {
qint64 startOf(const FocusSchedule& s) {
    return s.startHour * 60 + s.startMinute;
}
qint64 endOf(const FocusSchedule& s) {
    return s.endHour * 60 + s.endMinute;
}
}  // namespace

qint64 minuteOfDay(QTime time) {
    return qint64(time.hour()) * 60 + time.minute();
}

bool scheduleWindowContains(const FocusSchedule& schedule, qint64 minute) {
    const qint64 start = startOf(schedule);
    const qint64 end = endOf(schedule);
    if (end >= start) {
        return minute >= start && minute < end;
    }
    return minute >= start || minute < end;
}

qint64 scheduledSessionSeconds(const FocusSchedule& schedule, qint64 minute) {
    const qint64 start = startOf(schedule);
    const qint64 end = endOf(schedule);
    qint64 minutesLeft = end - minute;
    if (end < start && minute >= start) {
        minutesLeft += 1440;
    }
    return std::clamp<qint64>(minutesLeft * 60, 60, longestSessionSeconds);
}

QDate occurrenceDay(const FocusSchedule& schedule, QDate today, qint64 minute) {
    const bool afterMidnight = endOf(schedule) < startOf(schedule) && minute < endOf(schedule);
    return afterMidnight ? today.addDays(-1) : today;
}

}  // namespace Quorel
