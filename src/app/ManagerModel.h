// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "FocusManager.h"

#include <QtQml/qqmlregistration.h>
#include <QObject>
#include <QPointer>

namespace Quorel {

// The base of every view model: holds the manager a view binds it to, follows that manager's
// signals, and lets go of the old one when it is replaced.
class ManagerModel : public QObject {
    Q_OBJECT
    QML_ANONYMOUS
    Q_PROPERTY(Quorel::FocusManager* manager READ manager WRITE setManager NOTIFY managerChanged)

public:
    using QObject::QObject;

    FocusManager* manager() const { return m_manager; }
    void setManager(FocusManager* manager);

signals:
    void managerChanged();

protected:
    // Connects the signals this model derives from, the manager's and its MainWindowState's;
    // manager is never null.
    virtual void follow(FocusManager* manager) = 0;
    // After the manager was replaced (also by none): announce what is derived from it.
    virtual void managerReplaced() = 0;

    QPointer<FocusManager> m_manager;
};

}  // namespace Quorel
