// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Scheduled focus: daily windows that start a countdown by themselves, once per occurrence.
#include "FocusManager.h"
#include "ScheduleRules.h"

namespace Quorel {

void FocusManager::checkSchedules() {
    const QDateTime moment = m_platform.clock.now();
    const qint64 now = minuteOfDay(moment.time());
    for (const FocusSchedule& schedule : std::as_const(m_schedules)) {
        if (!schedule.isEnabled || !scheduleWindowContains(schedule, now)) {
            continue;
        }
        // A window that crosses midnight is one occurrence, and a clock set back into a window
        // that already ran does not run it again.
        const QDate occurrence = occurrenceDay(schedule, moment.date(), now);
        const auto fired = m_triggeredSchedulesToday.constFind(schedule.id);
        if (fired != m_triggeredSchedulesToday.cend() && occurrence <= fired.value()) {
            continue;
        }
        // A copy: starting saves and may be observed by views that edit the list.
        startSchedule(FocusSchedule(schedule), now, occurrence);
        return;
    }
}

void FocusManager::startSchedule(const FocusSchedule& schedule, qint64 minute, QDate occurrence) {
    m_triggeredSchedulesToday.insert(schedule.id, occurrence);
    setSelectedPreset(schedule.preset);
    applyPreset(schedule.preset);
    const qint64 length = scheduledSessionSeconds(schedule, minute);
    setTotalSeconds(length);
    setRemainingSeconds(length);
    setIsRunning(true);
    hideAnyCurrentlyOpenBlockedApps();
    saveState();
}

void FocusManager::addSchedule(const QString& title, FocusPreset preset, QTime start, QTime end) {
    QString named = title.trimmed();
    if (named.isEmpty()) {
        named = rawValue(preset) + QStringLiteral(" Block");
    }
    FocusSchedule schedule{QUuid::createUuid(), named,      preset,       start.hour(),
                           start.minute(),      end.hour(), end.minute(), true};
    QList<FocusSchedule> schedules = m_schedules;
    schedules.prepend(schedule);
    setSchedules(schedules);
    saveState();
}

void FocusManager::removeSchedule(const QUuid& id) {
    QList<FocusSchedule> schedules = m_schedules;
    schedules.removeIf([&id](const FocusSchedule& s) { return s.id == id; });
    setSchedules(schedules);
    saveState();
}

void FocusManager::setScheduleEnabled(const QString& id, bool enabled) {
    const std::optional<QUuid> uuid = uuidFromText(id);
    QList<FocusSchedule> schedules = m_schedules;
    for (FocusSchedule& s : schedules) {
        if (uuid && s.id == *uuid) {
            s.isEnabled = enabled;
            setSchedules(schedules);
            return;
        }
    }
}

void FocusManager::removeScheduleWithId(const QString& id) {
    if (const std::optional<QUuid> uuid = uuidFromText(id)) {
        removeSchedule(*uuid);
    }
}

}  // namespace Quorel
