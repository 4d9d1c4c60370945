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
    // Whether an unguarded browser is hidden or only told follows these.
    for (auto changed :
         {&FocusManager::browserNoticeChanged, &FocusManager::lockChanged,
          &FocusManager::isBreakChanged, &FocusManager::hideUnguardedBrowsersChanged}) {
        connect(manager, changed, this, &BlockShieldPresenter::textsChanged);
    }
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

// A browser Quorel cannot guard is named with what fixes it; hidden, it reads as blocked.
QString BlockShieldPresenter::title() const {
    if (m_manager != nullptr && !m_manager->hidingUnguardedBrowsers() &&
        !m_manager->unguardedBrowserNotice(m_targetName).isEmpty()) {
        return unguardedShieldTitle(m_targetName);
    }
    return shieldTitle(m_targetName);
}

QString BlockShieldPresenter::message() const {
    if (m_manager == nullptr) {
        return {};
    }
    const QString unguarded = m_manager->unguardedBrowserNotice(m_targetName);
    return unguarded.isEmpty() ? shieldMessage(m_targetName, m_manager->selectedPreset())
                               : unguarded;
}

QString BlockShieldPresenter::remaining() const {
    return m_manager != nullptr ? shieldRemaining(m_manager->formattedRemaining()) : QString();
}

}  // namespace Quorel
