#include "ManagerModel.h"

namespace Quorel {

void ManagerModel::setManager(FocusManager* manager) {
    if (manager == m_manager) {
        return;
    }
    if (m_manager != nullptr) {
        disconnect(m_manager, nullptr, this, nullptr);
    }
    m_manager = manager;
    if (manager != nullptr) {
        follow(manager);
    }
    managerReplaced();
    emit managerChanged();
}

}  // namespace Quorel
