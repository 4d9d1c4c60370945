// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "InsightsScreenModel.h"

#include "InsightsFormat.h"

namespace Quorel {

InsightsScreenModel::InsightsScreenModel(QObject* parent)
    : ManagerModel(parent),
      m_weeklyBars({"day", "label", "barHeight", "overGoal"}, -1, this),
      m_topApps({"name", "minutesText", "fraction"}, -1, this) {}

void InsightsScreenModel::follow(FocusManager* manager) {
    const auto refresh = &InsightsScreenModel::refresh;
    connect(manager, &FocusManager::usageChanged, this, refresh);
    connect(manager, &FocusManager::screenTimeModeChanged, this, refresh);
    connect(manager, &FocusManager::dailyGoalHoursChanged, this, refresh);
    connect(manager, &FocusManager::focusMinutesTodayChanged, this, refresh);
    connect(manager, &FocusManager::sessionsTodayChanged, this, refresh);
    connect(manager, &FocusManager::streakDaysChanged, this, refresh);
}

void InsightsScreenModel::managerReplaced() {
    refresh();
}

QString InsightsScreenModel::modeBadge() const {
    return m_manager != nullptr ? usageModeBadge(m_manager->screenTimeMode()) : QString();
}

QString InsightsScreenModel::screenTimeText() const {
    return m_manager != nullptr ? hoursText(m_manager->totalScreenTimeHours()) : QString();
}

QString InsightsScreenModel::goalText() const {
    return m_manager != nullptr ? Quorel::goalText(m_manager->dailyGoalHours()) : QString();
}

QString InsightsScreenModel::focusMinutesText() const {
    return m_manager != nullptr ? Quorel::focusMinutesText(m_manager->focusMinutesToday())
                                : QString();
}

QString InsightsScreenModel::sessionsText() const {
    return m_manager != nullptr ? sessionsTodayText(m_manager->sessionsToday()) : QString();
}

QString InsightsScreenModel::streakText() const {
    return m_manager != nullptr ? streakDaysText(m_manager->streakDays()) : QString();
}

double InsightsScreenModel::fullBarHeight() const {
    return weeklyBarFullHeight;
}

void InsightsScreenModel::refresh() {
    QList<RowListModel::Row> bars;
    QList<RowListModel::Row> apps;
    if (m_manager != nullptr) {
        const double goal = m_manager->dailyGoalHours();
        for (const DailyUsage& day : m_manager->weeklyHistory()) {
            bars.append(RowListModel::Row{day.day, weeklyBarLabel(day.hours),
                                          weeklyBarHeight(day.hours, goal),
                                          weeklyBarOverGoal(day.hours, goal)});
        }
        for (const AppUsageItem& item : m_manager->topUsageItems()) {
            apps.append(RowListModel::Row{item.name, topAppMinutesText(item.seconds),
                                          topAppBarFraction(item.seconds)});
        }
    }
    m_weeklyBars.setRows(bars);
    m_topApps.setRows(apps);
    emit figuresChanged();
}

}  // namespace Quorel
