// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "Models.h"

#include <QDate>
#include <QTime>

namespace Quorel {

// Minutes since midnight; seconds are ignored.
qint64 minuteOfDay(QTime time);

// Start included, end excluded; an end before the start wraps past midnight; equal is empty.
bool scheduleWindowContains(const FocusSchedule& schedule, qint64 minute);

// Length of a session started at minute inside the window: until the window's end, at least
// one minute and at most three hours.
qint64 scheduledSessionSeconds(const FocusSchedule& schedule, qint64 minute);

// The day on which the window open at minute of today began: the day before for the part of a
// wrapping window after midnight. One occurrence, one session.
QDate occurrenceDay(const FocusSchedule& schedule, QDate today, qint64 minute);

}  // namespace Quorel
