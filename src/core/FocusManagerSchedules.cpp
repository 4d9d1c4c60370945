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

QVariantList FocusManager::scheduleList() const {
    QVariantList list;
    list.reserve(m_schedules.size());
    for (const FocusSchedule& s : m_schedules) {
        list.append(QVariantMap{
            {QStringLiteral("id"), uuidText(s.id)},
            {QStringLiteral("title"), s.title},
            {QStringLiteral("preset"), QVariant::fromValue(s.preset)},
            {QStringLiteral("presetTitle"), rawValue(s.preset)},
            {QStringLiteral("startHour"), s.startHour},
            {QStringLiteral("startMinute"), s.startMinute},
            {QStringLiteral("endHour"), s.endHour},
            {QStringLiteral("endMinute"), s.endMinute},
            {QStringLiteral("isEnabled"), s.isEnabled},
        });
    }
    return list;
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

namespace {
QDateTime withTime(const QDateTime& base, int hour, int minute) {
    QDateTime at = base;
    at.setTime(QTime(hour, minute));
    return at.isValid() ? at : base;
}
}  // namespace

void FocusManager::setNewScheduleStartTime(int hour, int minute) {
    setNewScheduleStart(withTime(m_newScheduleStart, hour, minute));
}

void FocusManager::setNewScheduleEndTime(int hour, int minute) {
    setNewScheduleEnd(withTime(m_newScheduleEnd, hour, minute));
}

}  // namespace Quorel
