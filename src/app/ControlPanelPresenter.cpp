// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ControlPanelPresenter.h"

#include "DisplayFormat.h"

namespace Quorel {

ControlPanelPresenter::ControlPanelPresenter(QObject* parent) : ManagerModel(parent) {}

void ControlPanelPresenter::follow(FocusManager* manager) {
    const auto session = &ControlPanelPresenter::sessionChanged;
    connect(manager, &FocusManager::isRunningChanged, this, session);
    connect(manager, &FocusManager::isBreakChanged, this, session);
    connect(manager, &FocusManager::strictModeChanged, this, session);
    connect(manager, &FocusManager::selectedPresetChanged, this, session);
    connect(manager, &FocusManager::countdownChanged, this,
            &ControlPanelPresenter::countdownChanged);
    connect(manager, &FocusManager::usageChanged, this, &ControlPanelPresenter::usageChanged);
    connect(manager, &FocusManager::dailyGoalHoursChanged, this,
            &ControlPanelPresenter::usageChanged);
    // screenTimeMode reaches usageChanged through the manager.
}

void ControlPanelPresenter::managerReplaced() {
    emit sessionChanged();
    emit countdownChanged();
    emit usageChanged();
}

bool ControlPanelPresenter::locked() const {
    return m_manager != nullptr && m_manager->isLocked();
}

bool ControlPanelPresenter::onBreak() const {
    return m_manager != nullptr && m_manager->isBreak();
}

QString ControlPanelPresenter::headerTitle() const {
    if (m_manager == nullptr) {
        return {};
    }
    return controlHeaderTitle(m_manager->isRunning(), m_manager->isBreak(),
                              m_manager->selectedPreset());
}

QString ControlPanelPresenter::headerSubtitle() const {
    return m_manager != nullptr ? controlHeaderSubtitle(locked()) : QString();
}

QString ControlPanelPresenter::primaryActionTitle() const {
    if (m_manager == nullptr) {
        return {};
    }
    return Quorel::primaryActionTitle(m_manager->isRunning(), m_manager->strictMode());
}

QString ControlPanelPresenter::phaseCaption() const {
    return m_manager != nullptr ? countdownPhaseCaption(onBreak()) : QString();
}

QString ControlPanelPresenter::presetName() const {
    return m_manager != nullptr ? rawValue(m_manager->selectedPreset()) : QString();
}

QString ControlPanelPresenter::remaining() const {
    return m_manager != nullptr ? m_manager->formattedRemaining() : QString();
}

double ControlPanelPresenter::progress() const {
    return m_manager != nullptr ? m_manager->progress() : 0.0;
}

QString ControlPanelPresenter::usageTitle() const {
    return m_manager != nullptr ? rawValue(m_manager->screenTimeMode()) : QString();
}

QString ControlPanelPresenter::usageFigures() const {
    if (m_manager == nullptr) {
        return {};
    }
    return formatUsageAgainstGoal(m_manager->totalScreenTimeHours(), m_manager->dailyGoalHours());
}

double ControlPanelPresenter::usageFraction() const {
    if (m_manager == nullptr) {
        return 0.0;
    }
    return usageBarFraction(m_manager->totalScreenTimeHours(), m_manager->dailyGoalHours());
}

}  // namespace Quorel
