// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "Composition.h"
#include "ControlAccessible.h"
#include "FilePreferencesStore.h"
#include "IconRenderer.h"
#include "LoginStartModel.h"
#include "QuorelApp.h"
#include "SingleInstance.h"
#include "StrictWatch.h"
#include "TerminationSignals.h"
#include "WindowGlass.h"
#include "wayland/SessionDetection.h"
#include "x11/X11Activation.h"

#include <QtQml/qqmlextensionplugin.h>
#include <QApplication>
#include <QIcon>
#include <QProcessEnvironment>
#include <QQuickStyle>
#include <QQuickWindow>

#include <cstdint>

#include <cstdio>

Q_IMPORT_QML_PLUGIN(QuorelPlugin)

int main(int argc, char* argv[]) {
    // The views are small and mostly still: the software renderer draws them without a GPU or
    // an OpenGL driver (Xvfb, virtual machines) and keeps no GL context alive. A backend chosen
    // through QT_QUICK_BACKEND still wins.
    if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND")) {
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    }

    // In a Wayland session our own windows go through XWayland where there is one: the shield
    // stays in front and on every desktop through X11 hints, which no Wayland protocol offers a
    // client. Natively when XWayland does not let us in (a stale DISPLAY, another user's server).
    // The platform chosen through QT_QPA_PLATFORM still wins.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("DISPLAY") &&
        Quorel::detectSession(Quorel::SessionVariables::from(
            QProcessEnvironment::systemEnvironment())) != Quorel::DesktopSession::X11) {
        qputenv("QT_QPA_PLATFORM", "xcb;wayland");
    }

    // Taken out of the environment by the platform as the application starts.
    const Quorel::SingleInstance::LaunchTokens launch =
        Quorel::SingleInstance::LaunchTokens::fromEnvironment();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorel"));
    QApplication::setDesktopFileName(QStringLiteral("quorel"));
    QApplication::setWindowIcon(QIcon(Quorel::iconPath(QStringLiteral("quorel"))));
    // Windows come and go (the main window hides to the tray, the control window, the quit
    // alert); only the quit guard ends the app.
    QApplication::setQuitOnLastWindowClosed(false);
    QQuickStyle::setStyle(QStringLiteral("Basic"));
    // Screen readers hear a disabled control as disabled, which Qt 6.4 does not tell them.
    Quorel::ControlAccessible::install();

    // One instance per saved document: launches with another XDG_CONFIG_HOME (a second profile,
    // the end-to-end tests) run side by side.
    Quorel::SingleInstance instance(Quorel::FilePreferencesStore::defaultFolder());
    switch (instance.claim(std::chrono::seconds(5), launch)) {
        case Quorel::SingleInstance::Role::Primary:
            break;
        case Quorel::SingleInstance::Role::Secondary:
            return 0;
        case Quorel::SingleInstance::Role::Unreachable:
            std::fprintf(stderr,
                         "Quorel is already running but does not answer. Wait a moment and "
                         "start it again; should it still not answer, end it with "
                         "\"pkill -x quorel\" and start it again.\n");
            return 1;
    }

    // Declared before the app, so that they outlive it.
    const Quorel::Adapters adapters = Quorel::makeAdapters();
    Quorel::WindowGlass::setCompositor(adapters.windowCompositor.get());
    Quorel::LoginStartModel::setService(adapters.loginStart.get());
    Quorel::QuorelApp quorel(adapters.platform());
    if (!quorel.start(Quorel::QuorelApp::launchFor(QCoreApplication::arguments()))) {
        return 1;
    }
    QObject::connect(
        &instance, &Quorel::SingleInstance::activationRequested, &quorel,
        [&quorel, &adapters](const QString& startupId, const QString& activationToken) {
            // Read by the Wayland platform when it asks to activate, where it does.
            if (!activationToken.isEmpty()) {
                qputenv("XDG_ACTIVATION_TOKEN", activationToken.toLatin1());
            }
            quorel.showMainWindow();
            qunsetenv("XDG_ACTIVATION_TOKEN");
            if (adapters.x11Activation && !startupId.isEmpty() && quorel.mainWindow()) {
                adapters.x11Activation->activate(
                    static_cast<std::uint32_t>(quorel.mainWindow()->winId()), startupId.toLatin1());
            }
        });
    // While strict focus runs, a watcher starts us again after a kill and wakes us from a stop,
    // as at login (in the tray), and we keep it running likewise.
    Quorel::StrictWatch strictWatch(
        Quorel::helperProgramPath(QStringLiteral("quorel-watch")),
        {QCoreApplication::applicationFilePath(), QString(Quorel::loginStartArgument)});
    const Quorel::FocusManager& manager = quorel.manager();
    const auto holdWhileStrict = [&strictWatch, &manager] {
        strictWatch.setHeld(manager.isLocked());
    };
    QObject::connect(&manager, &Quorel::FocusManager::isRunningChanged, &strictWatch,
                     holdWhileStrict);
    QObject::connect(&manager, &Quorel::FocusManager::strictModeChanged, &strictWatch,
                     holdWhileStrict);
    QObject::connect(&manager, &Quorel::FocusManager::remainingSecondsChanged, &strictWatch,
                     &Quorel::StrictWatch::wakeWatcherIfStopped);
    holdWhileStrict();
    // The system ends us whatever the quit guard says; we only make sure to save first. In
    // strict focus the watcher starts us again, unless the desktop itself went away.
    Quorel::TerminationSignals terminations;
    QObject::connect(&terminations, &Quorel::TerminationSignals::received, &app,
                     &QCoreApplication::quit);
    const int status = QApplication::exec();
    // Strict focus was not over: a failure to a service manager, which starts us again.
    return strictWatch.isHeld() ? 1 : status;
}
