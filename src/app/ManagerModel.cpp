// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ManagerModel.h"

#include "MainWindowState.h"

namespace Quorel {

void ManagerModel::setManager(FocusManager* manager) {
    if (manager == m_manager) {
        return;
    }
    if (m_manager != nullptr) {
        disconnect(m_manager, nullptr, this, nullptr);
        if (MainWindowState* state = MainWindowState::existing(*m_manager)) {
            disconnect(state, nullptr, this, nullptr);
        }
    }
    m_manager = manager;
    if (manager != nullptr) {
        follow(manager);
    }
    managerReplaced();
    emit managerChanged();
}

}  // namespace Quorel
