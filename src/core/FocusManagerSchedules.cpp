// Scheduled focus: daily windows that start a countdown by themselves, once per day.
#include "FocusManager.h"
#include "ScheduleRules.h"

namespace Quorel {

void FocusManager::checkSchedules() {
    const qint64 now = minuteOfDay(m_platform.clock.now().time());
    for (const FocusSchedule& schedule : std::as_const(m_schedules)) {
        if (!schedule.isEnabled || m_triggeredSchedulesToday.contains(schedule.id) ||
            !scheduleWindowContains(schedule, now)) {
            continue;
        }
        // A copy: starting saves and may be observed by views that edit the list.
        startSchedule(FocusSchedule(schedule), now);
        return;
    }
}

void FocusManager::startSchedule(const FocusSchedule& schedule, qint64 minute) {
    m_triggeredSchedulesToday.insert(schedule.id);
    setSelectedPreset(schedule.preset);
    applyPreset(schedule.preset);
    const qint64 length = scheduledSessionSeconds(schedule, minute);
    setTotalSeconds(length);
    setRemainingSeconds(length);
    setIsRunning(true);
    hideAnyCurrentlyOpenBlockedApps();
}

void FocusManager::addScheduleFromInputs() {
    QString title = m_newScheduleTitle.trimmed();
    if (title.isEmpty()) {
        title = rawValue(m_newSchedulePreset) + QStringLiteral(" Block");
    }
    const QTime start = m_newScheduleStart.time();
    const QTime end = m_newScheduleEnd.time();
    FocusSchedule schedule{QUuid::createUuid(), title,      m_newSchedulePreset, start.hour(),
                           start.minute(),      end.hour(), end.minute(),        true};
    QList<FocusSchedule> schedules = m_schedules;
    schedules.prepend(schedule);
    setSchedules(schedules);
    saveState();
    setNewScheduleTitle(QString());
}

void FocusManager::removeSchedule(const QUuid& id) {
    QList<FocusSchedule> schedules = m_schedules;
    schedules.removeIf([&id](const FocusSchedule& s) { return s.id == id; });
    setSchedules(schedules);
    saveState();
}

}  // namespace Quorel
