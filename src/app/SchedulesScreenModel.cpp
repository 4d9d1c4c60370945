// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "SchedulesScreenModel.h"

#include "MainWindowState.h"
#include "SchedulesFormat.h"

namespace Quorel {

SchedulesScreenModel::SchedulesScreenModel(QObject* parent)
    : ManagerModel(parent),
      m_rows({"scheduleId", "title", "detail", "isEnabled", "deleteLabel"}, 0, this) {}

void SchedulesScreenModel::follow(FocusManager* manager) {
    const MainWindowState& form = MainWindowState::of(*manager);
    connect(&form, &MainWindowState::newScheduleTitleChanged, this,
            &SchedulesScreenModel::newTitleChanged);
    connect(&form, &MainWindowState::newSchedulePresetChanged, this,
            &SchedulesScreenModel::presetChanged);
    connect(&form, &MainWindowState::newScheduleStartChanged, this,
            &SchedulesScreenModel::startChanged);
    connect(&form, &MainWindowState::newScheduleEndChanged, this,
            &SchedulesScreenModel::endChanged);
    connect(manager, &FocusManager::schedulesChanged, this, &SchedulesScreenModel::refreshRows);
}

void SchedulesScreenModel::managerReplaced() {
    refreshRows();
    emit newTitleChanged();
    emit presetChanged();
    emit startChanged();
    emit endChanged();
}

QString SchedulesScreenModel::newTitle() const {
    return m_manager != nullptr ? MainWindowState::of(*m_manager).newScheduleTitle() : QString();
}

void SchedulesScreenModel::setNewTitle(const QString& title) {
    if (m_manager != nullptr) {
        MainWindowState::of(*m_manager).setNewScheduleTitle(title);
    }
}

QStringList SchedulesScreenModel::presetTitles() const {
    return Quorel::presetTitles();
}

int SchedulesScreenModel::presetIndex() const {
    return m_manager != nullptr
               ? Quorel::presetIndex(MainWindowState::of(*m_manager).newSchedulePreset())
               : -1;
}

int SchedulesScreenModel::startHour() const {
    return m_manager != nullptr ? MainWindowState::of(*m_manager).newScheduleStart().hour() : 0;
}

int SchedulesScreenModel::startMinute() const {
    return m_manager != nullptr ? MainWindowState::of(*m_manager).newScheduleStart().minute() : 0;
}

int SchedulesScreenModel::endHour() const {
    return m_manager != nullptr ? MainWindowState::of(*m_manager).newScheduleEnd().hour() : 0;
}

int SchedulesScreenModel::endMinute() const {
    return m_manager != nullptr ? MainWindowState::of(*m_manager).newScheduleEnd().minute() : 0;
}

void SchedulesScreenModel::choosePreset(int index) {
    if (m_manager == nullptr) {
        return;
    }
    if (const std::optional<FocusPreset> preset = presetAtIndex(index)) {
        MainWindowState::of(*m_manager).setNewSchedulePreset(*preset);
    }
}

void SchedulesScreenModel::setStartTime(int hour, int minute) {
    if (m_manager != nullptr) {
        MainWindowState::of(*m_manager).setNewScheduleStart(QTime(hour, minute));
    }
}

void SchedulesScreenModel::setEndTime(int hour, int minute) {
    if (m_manager != nullptr) {
        MainWindowState::of(*m_manager).setNewScheduleEnd(QTime(hour, minute));
    }
}

void SchedulesScreenModel::addSchedule() {
    if (m_manager == nullptr) {
        return;
    }
    MainWindowState& form = MainWindowState::of(*m_manager);
    m_manager->addSchedule(form.newScheduleTitle(), form.newSchedulePreset(),
                           form.newScheduleStart(), form.newScheduleEnd());
    form.setNewScheduleTitle(QString());
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
