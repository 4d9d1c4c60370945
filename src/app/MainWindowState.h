// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "FocusManager.h"
#include "MainWindowFormat.h"

#include <QObject>
#include <QString>
#include <QTime>

namespace Quorel {

// What the main window holds while its views come and go: the screen shown and what the add
// forms hold before Add. The detail column loads one screen at a time and the app drops every
// view while no window is open, so a view model cannot keep this; it lasts as long as the manager
// the views follow, and the engine knows nothing of it.
class MainWindowState : public QObject {
    Q_OBJECT

public:
    // The manager's, made on first use; the manager owns it.
    static MainWindowState& of(FocusManager& manager);
    // The manager's if it was ever asked for, otherwise nullptr.
    static MainWindowState* existing(FocusManager& manager);

    FocusTab selectedTab() const { return m_selectedTab; }
    void setSelectedTab(FocusTab tab);

    QString newAppName() const { return m_newAppName; }
    void setNewAppName(const QString& name);
    QString newSiteDomain() const { return m_newSiteDomain; }
    void setNewSiteDomain(const QString& domain);

    QString newScheduleTitle() const { return m_newScheduleTitle; }
    void setNewScheduleTitle(const QString& title);
    FocusPreset newSchedulePreset() const { return m_newSchedulePreset; }
    void setNewSchedulePreset(FocusPreset preset);
    // Times of day on the wall clock: 02:30 stays 02:30 even on the day the clocks skip it.
    // An invalid time is ignored.
    QTime newScheduleStart() const { return m_newScheduleStart; }
    void setNewScheduleStart(QTime start);
    QTime newScheduleEnd() const { return m_newScheduleEnd; }
    void setNewScheduleEnd(QTime end);

signals:
    void selectedTabChanged();
    void newAppNameChanged();
    void newSiteDomainChanged();
    void newScheduleTitleChanged();
    void newSchedulePresetChanged();
    void newScheduleStartChanged();
    void newScheduleEndChanged();

private:
    explicit MainWindowState(FocusManager& manager);

    FocusTab m_selectedTab = FocusTab::Focus;
    QString m_newAppName;
    QString m_newSiteDomain;
    QString m_newScheduleTitle;
    FocusPreset m_newSchedulePreset = FocusPreset::DeepWork;
    QTime m_newScheduleStart{9, 0};
    QTime m_newScheduleEnd{12, 0};
};

}  // namespace Quorel
