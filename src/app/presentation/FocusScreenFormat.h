// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "Models.h"

#include <QString>

#include <array>
#include <string_view>

namespace Quorel {

// The Focus screen's quick durations, in the order the buttons stand.
struct QuickDuration {
    std::u16string_view label;
    qint64 seconds;
};

inline constexpr std::array<QuickDuration, 4> quickDurations{{
    {u"25m", 1500},
    {u"45m", 2700},
    {u"60m", 3600},
    {u"15s Demo", 15},
}};

// The line under the countdown: what the running session does to the desktop.
QString focusStatusLine(bool isRunning, bool strictMode);

// The timer card's start/pause button; a strict run says why it cannot be pressed.
QString focusPrimaryActionTitle(bool isRunning, bool strictMode);

// A quick duration is highlighted while it is the countdown's length.
bool isCurrentDuration(qint64 totalSeconds, qint64 durationSeconds);

// "Active Protection" values. Counts read "1 apps" too: one plain format for every count.
QString blockedAppsValue(int enabledCount);
QString blockedSitesValue(int enabledCount);
QString shortFormValue(bool blocked);
QString adultFilterValue(bool blocked);

// The volume slider is offered only while a sound is chosen.
bool showsAmbientVolume(AmbientSoundType sound);

}  // namespace Quorel
