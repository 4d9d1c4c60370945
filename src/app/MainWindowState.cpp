// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "MainWindowState.h"

namespace Quorel {

namespace {

template <typename T>
void assign(MainWindowState* state, T& field, const T& value, void (MainWindowState::*changed)()) {
    if (field == value) {
        return;
    }
    field = value;
    emit(state->*changed)();
}

}  // namespace

MainWindowState::MainWindowState(FocusManager& manager) : QObject(&manager) {}

MainWindowState& MainWindowState::of(FocusManager& manager) {
    MainWindowState* state = existing(manager);
    return state != nullptr ? *state : *new MainWindowState(manager);
}

MainWindowState* MainWindowState::existing(FocusManager& manager) {
    return manager.findChild<MainWindowState*>(QString(), Qt::FindDirectChildrenOnly);
}

void MainWindowState::setSelectedTab(FocusTab tab) {
    assign(this, m_selectedTab, tab, &MainWindowState::selectedTabChanged);
}

void MainWindowState::setNewAppName(const QString& name) {
    assign(this, m_newAppName, name, &MainWindowState::newAppNameChanged);
}

void MainWindowState::setNewSiteDomain(const QString& domain) {
    assign(this, m_newSiteDomain, domain, &MainWindowState::newSiteDomainChanged);
}

void MainWindowState::setNewScheduleTitle(const QString& title) {
    assign(this, m_newScheduleTitle, title, &MainWindowState::newScheduleTitleChanged);
}

void MainWindowState::setNewSchedulePreset(FocusPreset preset) {
    assign(this, m_newSchedulePreset, preset, &MainWindowState::newSchedulePresetChanged);
}

void MainWindowState::setNewScheduleStart(QTime start) {
    if (start.isValid()) {
        assign(this, m_newScheduleStart, start, &MainWindowState::newScheduleStartChanged);
    }
}

void MainWindowState::setNewScheduleEnd(QTime end) {
    if (end.isValid()) {
        assign(this, m_newScheduleEnd, end, &MainWindowState::newScheduleEndChanged);
    }
}

}  // namespace Quorel
