// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "AppShell.h"

#include <QQmlEngine>

namespace Quorel {

AppShell::AppShell(QObject* parent) : QObject(parent) {}

AppShell* AppShell::of(QQmlEngine& engine) {
    const int type = qmlTypeId("Quorel", 1, 0, "AppShell");
    return type < 0 ? nullptr : engine.singletonInstance<AppShell*>(type);
}

void AppShell::openMainWindow() {
    emit mainWindowRequested();
}

void AppShell::quit() {
    emit quitRequested();
}

}  // namespace Quorel
