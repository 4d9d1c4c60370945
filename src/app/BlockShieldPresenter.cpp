#include "BlockShieldPresenter.h"

#include "MainWindowFormat.h"

namespace Quorel {

BlockShieldPresenter::BlockShieldPresenter(QObject* parent) : QObject(parent) {}

void BlockShieldPresenter::setManager(FocusManager* manager) {
    if (manager == m_manager) {
        return;
    }
    if (m_manager != nullptr) {
        disconnect(m_manager, nullptr, this, nullptr);
    }
    m_manager = manager;
    if (manager != nullptr) {
        connect(manager, &FocusManager::selectedPresetChanged, this,
                &BlockShieldPresenter::textsChanged);
        connect(manager, &FocusManager::countdownChanged, this,
                &BlockShieldPresenter::remainingChanged);
    }
    emit managerChanged();
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
