#include "SchedulesScreenModel.h"

#include "SchedulesFormat.h"

namespace Quorel {

SchedulesScreenModel::SchedulesScreenModel(QObject* parent)
    : ManagerModel(parent),
      m_rows({"scheduleId", "title", "detail", "isEnabled", "deleteLabel"}, 0, this) {}

void SchedulesScreenModel::follow(FocusManager* manager) {
    connect(manager, &FocusManager::newSchedulePresetChanged, this,
            &SchedulesScreenModel::presetChanged);
    connect(manager, &FocusManager::newScheduleStartChanged, this,
            &SchedulesScreenModel::startChanged);
    connect(manager, &FocusManager::newScheduleEndChanged, this, &SchedulesScreenModel::endChanged);
    connect(manager, &FocusManager::schedulesChanged, this, &SchedulesScreenModel::refreshRows);
}

void SchedulesScreenModel::managerReplaced() {
    refreshRows();
    emit presetChanged();
    emit startChanged();
    emit endChanged();
}

QStringList SchedulesScreenModel::presetTitles() const {
    return Quorel::presetTitles();
}

int SchedulesScreenModel::presetIndex() const {
    return m_manager != nullptr ? Quorel::presetIndex(m_manager->newSchedulePreset()) : -1;
}

int SchedulesScreenModel::startHour() const {
    return m_manager != nullptr ? m_manager->newScheduleStart().time().hour() : 0;
}

int SchedulesScreenModel::startMinute() const {
    return m_manager != nullptr ? m_manager->newScheduleStart().time().minute() : 0;
}

int SchedulesScreenModel::endHour() const {
    return m_manager != nullptr ? m_manager->newScheduleEnd().time().hour() : 0;
}

int SchedulesScreenModel::endMinute() const {
    return m_manager != nullptr ? m_manager->newScheduleEnd().time().minute() : 0;
}

void SchedulesScreenModel::choosePreset(int index) {
    if (m_manager == nullptr) {
        return;
    }
    if (const std::optional<FocusPreset> preset = presetAtIndex(index)) {
        m_manager->setNewSchedulePreset(*preset);
    }
}

void SchedulesScreenModel::refreshRows() {
    QList<RowListModel::Row> rows;
    if (m_manager != nullptr) {
        rows.reserve(m_manager->schedules().size());
        for (const FocusSchedule& s : m_manager->schedules()) {
            rows.append(RowListModel::Row{
                uuidText(s.id),
                s.title,
                scheduleDetailText(s.startHour, s.startMinute, s.endHour, s.endMinute, s.preset),
                s.isEnabled,
                deleteScheduleLabel(s.title),
            });
        }
    }
    m_rows.setRows(rows);
}

}  // namespace Quorel
