// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "Models.h"

#include <QString>

namespace Quorel {

// The weekly chart's scale: a bar is this tall at full scale, never shorter than the stub, and
// full scale is the daily goal or this many hours, whichever is more.
inline constexpr double weeklyBarFullHeight = 120.0;
inline constexpr double weeklyBarStubHeight = 8.0;
inline constexpr double weeklyBarMinimumScaleHours = 4.0;

// A top-app bar is full at one hour.
inline constexpr qint64 topAppFullBarSeconds = 3600;

// The header badge: which usage the page counts.
QString usageModeBadge(ScreenTimeTrackingMode mode);

// Hours with one decimal, "2.5h".
QString hoursText(double hours);

// The daily goal as the cards and the chart caption show it, "Goal: 4.0h".
QString goalText(double goalHours);

// Figure cards: "50m", "1 session today", "2 days".
QString focusMinutesText(qint64 minutes);
QString sessionsTodayText(qint64 sessions);
QString streakDaysText(qint64 days);

// The label over a day's bar: whole minutes under an hour ("45m", halves away from zero), else
// hours with one decimal ("1.0h").
QString weeklyBarLabel(double hours);

// A day's bar height in points: the stub for an empty day, capped at the full height.
double weeklyBarHeight(double hours, double goalHours);

// A day over the goal draws red; a day exactly at the goal does not.
bool weeklyBarOverGoal(double hours, double goalHours);

// A top app's minutes: at least 1, otherwise whole minutes, "2m".
QString topAppMinutesText(qint64 seconds);

// How full a top app's bar is, 0 to 1.
double topAppBarFraction(qint64 seconds);

}  // namespace Quorel
