// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "LoginStartModel.h"

#include <QGuiApplication>

namespace Quorel {

namespace {

LoginStart* s_service = nullptr;

}  // namespace

void LoginStartModel::setService(LoginStart* service) {
    s_service = service;
}

LoginStartModel::LoginStartModel(QObject* parent) : ManagerModel(parent), m_service(s_service) {
    if (m_service != nullptr) {
        m_enabled = m_service->isEnabled();
    }
    // Coming back from the desktop's settings is coming back to the front.
    if (qGuiApp != nullptr) {
        connect(qGuiApp, &QGuiApplication::applicationStateChanged, this,
                [this](Qt::ApplicationState state) {
                    if (state == Qt::ApplicationActive) {
                        refresh();
                    }
                });
    }
}

void LoginStartModel::follow(FocusManager* manager) {
    connect(manager, &FocusManager::loginStartOfferedChanged, this, &LoginStartModel::offerChanged);
}

void LoginStartModel::managerReplaced() {
    emit offerChanged();
}

bool LoginStartModel::offerShown() const {
    return m_service != nullptr && m_manager != nullptr && !m_manager->loginStartOffered() &&
           !m_enabled;
}

void LoginStartModel::refresh() {
    if (m_service == nullptr) {
        return;
    }
    const bool enabled = m_service->isEnabled();
    if (enabled != m_enabled) {
        m_enabled = enabled;
        emit loginStartChanged();
        emit offerChanged();
    }
}

void LoginStartModel::setLoginStartEnabled(bool enabled) {
    if (m_service == nullptr) {
        return;
    }
    const QString problem = m_service->setEnabled(enabled);
    if (!problem.isEmpty()) {
        qWarning("Quorel: %s", qUtf8Printable(problem));
    }
    setProblem(problem);
    m_enabled = m_service->isEnabled();
    // Told even when nothing changed: a switch the user flipped must fall back to the truth.
    emit loginStartChanged();
    if (problem.isEmpty() && m_manager != nullptr) {
        m_manager->markLoginStartOffered();
    }
    emit offerChanged();
}

void LoginStartModel::acceptOffer() {
    setLoginStartEnabled(true);
}

void LoginStartModel::declineOffer() {
    if (m_manager != nullptr) {
        m_manager->markLoginStartOffered();
    }
}

void LoginStartModel::setProblem(const QString& problem) {
    if (problem != m_problem) {
        m_problem = problem;
        emit problemChanged();
    }
}

}  // namespace Quorel
