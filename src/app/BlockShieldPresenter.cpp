// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "BlockShieldPresenter.h"

#include "MainWindowFormat.h"

namespace Quorel {

BlockShieldPresenter::BlockShieldPresenter(QObject* parent) : ManagerModel(parent) {}

void BlockShieldPresenter::follow(FocusManager* manager) {
    connect(manager, &FocusManager::selectedPresetChanged, this,
            &BlockShieldPresenter::textsChanged);
    connect(manager, &FocusManager::countdownChanged, this,
            &BlockShieldPresenter::remainingChanged);
}

void BlockShieldPresenter::managerReplaced() {
    emit textsChanged();
    emit remainingChanged();
}

void BlockShieldPresenter::setTargetName(const QString& name) {
    if (name == m_targetName) {
        return;
    }
    m_targetName = name;
    emit targetNameChanged();
    emit textsChanged();
}

QString BlockShieldPresenter::title() const {
    return shieldTitle(m_targetName);
}

QString BlockShieldPresenter::message() const {
    if (m_manager == nullptr) {
        return {};
    }
    return shieldMessage(m_targetName, m_manager->selectedPreset());
}

QString BlockShieldPresenter::remaining() const {
    return m_manager != nullptr ? shieldRemaining(m_manager->formattedRemaining()) : QString();
}

}  // namespace Quorel
