// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QtQml/qqmlregistration.h>
#include <QObject>

class QQmlEngine;

namespace Quorel {

// What the views ask of the application around them. One per QML engine, so the main window
// and the tray's control window, which share the app's engine, reach the same object.
class AppShell : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    explicit AppShell(QObject* parent = nullptr);

    // The engine's instance, made on first use; nullptr when the Quorel module is not loaded.
    static AppShell* of(QQmlEngine& engine);

    // Brings the main window forward.
    Q_INVOKABLE void openMainWindow();
    // Asks to quit; the app's quit guard may refuse.
    Q_INVOKABLE void quit();

signals:
    void mainWindowRequested();
    void quitRequested();
};

}  // namespace Quorel
