// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "FocusManager.h"
#include "ManagerModel.h"
#include "RowListModel.h"

#include <QtQml/qqmlregistration.h>
#include <QObject>
#include <QPointer>
#include <QStringList>

namespace Quorel {

// The Schedules screen: the add form, which it keeps in the manager's MainWindowState until Add
// hands it to the manager, and one row per schedule, derived from the manager. The rows' switches
// and delete buttons write straight to the manager.
class SchedulesScreenModel : public ManagerModel {
    Q_OBJECT
    QML_ELEMENT

    Q_PROPERTY(QString newTitle READ newTitle WRITE setNewTitle NOTIFY newTitleChanged)
    Q_PROPERTY(QStringList presetTitles READ presetTitles CONSTANT)
    Q_PROPERTY(int presetIndex READ presetIndex NOTIFY presetChanged)
    Q_PROPERTY(int startHour READ startHour NOTIFY startChanged)
    Q_PROPERTY(int startMinute READ startMinute NOTIFY startChanged)
    Q_PROPERTY(int endHour READ endHour NOTIFY endChanged)
    Q_PROPERTY(int endMinute READ endMinute NOTIFY endChanged)

    // Roles: scheduleId, title, detail ("09:00 – 12:00 • Deep Work"), isEnabled, deleteLabel.
    Q_PROPERTY(Quorel::RowListModel* rows READ rows CONSTANT)

public:
    explicit SchedulesScreenModel(QObject* parent = nullptr);

    QString newTitle() const;
    void setNewTitle(const QString& title);
    QStringList presetTitles() const;
    int presetIndex() const;
    int startHour() const;
    int startMinute() const;
    int endHour() const;
    int endMinute() const;
    RowListModel* rows() { return &m_rows; }

    // The preset picker's choice, by its position in presetTitles.
    Q_INVOKABLE void choosePreset(int index);
    // The time pickers' hour and minute; a time that is none is ignored.
    Q_INVOKABLE void setStartTime(int hour, int minute);
    Q_INVOKABLE void setEndTime(int hour, int minute);
    // Adds the form's schedule on top and empties the label; preset and times stay.
    Q_INVOKABLE void addSchedule();

signals:
    void newTitleChanged();
    void presetChanged();
    void startChanged();
    void endChanged();

protected:
    void follow(FocusManager* manager) override;
    void managerReplaced() override;

private:
    void refreshRows();

    RowListModel m_rows;
};

}  // namespace Quorel
