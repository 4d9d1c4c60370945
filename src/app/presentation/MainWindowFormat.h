// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "Models.h"

#include <QString>

#include <array>
#include <string_view>
#include <utility>

namespace Quorel {

// The main window's screens, in the sidebar's order; the raw value is the screen's title.
enum class FocusTab { Focus, Blockers, Schedules, Insights, Settings };

template <>
struct EnumCases<FocusTab> {
    static constexpr std::array<std::pair<FocusTab, std::u16string_view>, 5> all{{
        {FocusTab::Focus, u"Focus"},
        {FocusTab::Blockers, u"Blockers"},
        {FocusTab::Schedules, u"Schedules"},
        {FocusTab::Insights, u"Insights"},
        {FocusTab::Settings, u"Settings"},
    }};
};

// The daily goal card: today's usage against the goal as a whole percentage, truncated and
// capped at 100; a goal of 0 (or anything that makes the ratio meaningless) counts as met.
int dailyGoalPercent(double totalHours, double goalHours);
QString dailyGoalPercentText(double totalHours, double goalHours);

// "2.5h of 4.0h".
QString dailyGoalFigures(double totalHours, double goalHours);

// The red banner over every screen while a strict session runs.
bool showsStrictBanner(bool isRunning, bool strictMode);
QString strictBannerText();

// The QML file of each screen in the detail column, relative to the module's qml folder.
QString screenFileName(FocusTab tab);
// The icon beside each screen's title in the sidebar.
QString screenIconName(FocusTab tab);

// The block shield's lines for a blocked application.
QString shieldTitle(const QString& targetName);
QString shieldMessage(const QString& targetName, FocusPreset preset);
// The shield over a browser Quorel cannot guard, told but left on screen.
QString unguardedShieldTitle(const QString& browserName);
QString shieldRemaining(const QString& formattedRemaining);

}  // namespace Quorel
