// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// What QML sees of the engine, declared here because the engine itself knows nothing of QML.

#include "FocusManager.h"
#include "Models.h"

#include <QtQml/qqmlregistration.h>
#include <QJSEngine>
#include <QQmlEngine>

namespace Quorel {

// The process's one manager as the QML singleton FocusManager. QML never builds it: the app
// does, before any view loads, and keeps ownership for the whole run.
struct FocusManagerForeign {
    Q_GADGET
    QML_FOREIGN(Quorel::FocusManager)
    QML_SINGLETON
    QML_NAMED_ELEMENT(FocusManager)

public:
    static FocusManager* create(QQmlEngine*, QJSEngine*) {
        FocusManager* manager = FocusManager::shared();
        if (manager != nullptr) {
            QJSEngine::setObjectOwnership(manager, QJSEngine::CppOwnership);
        }
        return manager;
    }
};

// The engine's enumerations, as Quorel.FocusPreset.Study and so on.
namespace EnumsForeign {
Q_NAMESPACE
QML_FOREIGN_NAMESPACE(Quorel)
QML_NAMED_ELEMENT(Quorel)
}  // namespace EnumsForeign

}  // namespace Quorel
