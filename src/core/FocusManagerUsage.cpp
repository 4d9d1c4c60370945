// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The heartbeat, screen time per application and per day, and the figures drawn from it.
#include "FocusManager.h"
#include "UsageRules.h"

namespace Quorel {

void FocusManager::startUsageTracker() {
    m_heartbeat.setInterval(1000);
    // Precise: the countdown advances one second per beat, so the beat must not drift.
    m_heartbeat.setTimerType(Qt::PreciseTimer);
    connect(&m_heartbeat, &QTimer::timeout, this, &FocusManager::tick);
    m_heartbeat.start();
}

void FocusManager::tick() {
    rollOverDayIfNeeded(m_platform.clock.now().date());
    recordFrontmostAppSecond();
    refreshStreak();
    if (m_isRunning) {
        tickFocusTimer();
    } else {
        checkSchedules();
    }
    // Between its beats the guard looks once a second too, where it costs no wake-up of its own.
    if ((m_hasAllowances || (m_isRunning && !m_isBreak)) && !m_guardTimer.isActive()) {
        guardTick();
    }
    checkFrontBrowserTab();
    if (QString limitation = m_platform.workspace.limitation();
        limitation != m_workspaceLimitation) {
        m_workspaceLimitation = std::move(limitation);
        emit workspaceLimitationChanged();
    }
    if (++m_saveCounter >= periodicSaveTicks) {
        m_saveCounter = 0;
        saveState();
    }
}

void FocusManager::rollOverDayIfNeeded(QDate today) {
    if (!today.isValid() || today == m_currentDay) {
        return;
    }
    applyDayBook(
        moveToDay(DayBook{.current = {m_currentDay, m_trackedAppSeconds, m_trackedBlockedAppSeconds,
                                      m_sessionsToday, m_focusMinutesToday},
                          .left = m_dayLeft,
                          .daily = m_dailySecondsByDate,
                          .dailyBlocked = m_dailyBlockedSecondsByDate,
                          .countersOwnDay = m_countersOwnDay},
                  today));
}

void FocusManager::applyDayBook(DayBook book) {
    m_currentDay = book.current.day;
    m_dayLeft = std::move(book.left);
    m_countersOwnDay = book.countersOwnDay;
    m_streakRunStale = true;
    setTrackedAppSeconds(book.current.apps);
    setTrackedBlockedAppSeconds(book.current.blockedApps);
    setSessionsToday(book.current.sessions);
    setFocusMinutesToday(book.current.focusMinutes);
    setDailySecondsByDate(book.daily);
    setDailyBlockedSecondsByDate(book.dailyBlocked);
}

const QString& FocusManager::stampFor(QDate date) const {
    if (date != m_stampDate || m_stamp.isEmpty()) {
        m_stampDate = date;
        m_stamp = dateStamp(date);
    }
    return m_stamp;
}

bool FocusManager::isUserAway() const {
    Presence& presence = m_platform.presence;
    return presence.isLocked() || presence.isIdleFor(std::chrono::minutes(m_awayAfterMinutes));
}

void FocusManager::recordFrontmostAppSecond() {
    if (isUserAway()) {
        return;
    }
    const std::optional<QString> name = m_platform.workspace.frontmostApplicationName();
    if (!name) {
        return;
    }
    // Credited to the day the counters belong to, which a clock set back does not change.
    const QString today = stampFor(m_currentDay);
    ++m_trackedAppSeconds[*name];
    ++m_dailySecondsByDate[today];

    const FoldedName app(*name);
    const bool blocked =
        std::any_of(m_blockedApps.cbegin(), m_blockedApps.cend(), [&app](const BlockedApp& entry) {
            return entry.isEnabled && nameMatches(app, FoldedName(entry.name));
        });
    if (blocked) {
        ++m_trackedBlockedAppSeconds[*name];
        ++m_dailyBlockedSecondsByDate[today];
    }
    // Once per second, not per map: views recompute their figures on every notice.
    emit usageChanged();
}

const SecondsMap& FocusManager::activeDayMap() const {
    return m_screenTimeMode == ScreenTimeTrackingMode::AllApps ? m_dailySecondsByDate
                                                               : m_dailyBlockedSecondsByDate;
}

void FocusManager::refreshStreak() {
    if (m_streakRunStale) {
        // Any day Quorel tracked counts as on record, also one without blocked apps.
        m_streakRunBefore = Quorel::streakRunBefore(activeDayMap(), m_dailySecondsByDate,
                                                    m_currentDay, m_dailyGoalHours);
        m_streakRunStale = false;
    }
    const qint64 today = activeDayMap().value(stampFor(m_currentDay), 0);
    const qint64 streak = Quorel::streakDays(today, m_streakRunBefore, m_dailyGoalHours);
    if (streak != m_streakDays) {
        setStreakDays(streak);
    }
}

double FocusManager::totalScreenTimeHours() const {
    const SecondsMap& map = m_screenTimeMode == ScreenTimeTrackingMode::AllApps
                                ? m_trackedAppSeconds
                                : m_trackedBlockedAppSeconds;
    qint64 sum = 0;
    for (const qint64 seconds : map) {
        sum = saturatingAdd(sum, seconds);
    }
    return hoursOf(sum);
}

QList<AppUsageItem> FocusManager::topUsageItems() const {
    return topUsage(m_screenTimeMode == ScreenTimeTrackingMode::AllApps
                        ? m_trackedAppSeconds
                        : m_trackedBlockedAppSeconds);
}

QList<DailyUsage> FocusManager::weeklyHistory() const {
    const QDateTime now = m_platform.clock.now();
    const SecondsMap& days = activeDayMap();
    QList<DailyUsage> bars;
    bars.reserve(7);
    for (int offset = -6; offset <= 0; ++offset) {
        QDateTime moment = now.addDays(offset);
        if (!moment.isValid()) {
            moment = now;
        }
        const QDate date = moment.date();
        bars.append(DailyUsage{QUuid::createUuid(), m_platform.clock.shortWeekdayName(date),
                               hoursOf(days.value(dateStamp(date), 0))});
    }
    return bars;
}

qint64 FocusManager::usedSecondsForApp(const QString& name) const {
    return usedSeconds(m_trackedAppSeconds, name);
}

}  // namespace Quorel
