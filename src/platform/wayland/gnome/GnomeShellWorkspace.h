// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The applications of a GNOME Shell session, through Quorel's own shell extension.
//
// Why an extension: GNOME Shell offers no other program a view of native Wayland windows, nor a
// way to minimise them. The extension (gnome-shell-extension/ in the source tree, shipped here
// as resources) runs inside the shell and answers over D-Bus, to Quorel only: the focused window,
// pushed on every change as a signal addressed to the subscribed adapter alone, likewise the
// windows that came into sight (once per turn of the shell's main loop), the window list, and
// minimising windows by id. Window titles it keeps to itself. This adapter writes it into
// the user's extension folder; the user enables it once. Until then the adapter is usable but
// blind, and limitation() says how to enable it. It notices when the extension comes and goes,
// since the user may enable it while Quorel runs, and subscribes anew each time.
//
// The cache of the application in front is kept by the signals on the main thread, so asking for
// it costs no round trip.

#include "ports/Workspace.h"
#include "workspace/WorkspaceCore.h"

#include <QObject>
#include <QVariantMap>

#include <memory>

class QDBusConnection;
class QDBusMessage;
class QDBusServiceWatcher;

namespace Quorel {

class DesktopEntries;

// One window as the extension describes it.
struct ShellWindow {
    quint64 id = 0;
    QString desktopId;  // the shell's match to a desktop entry, "" when it found none
    QString appId;      // GTK application id or sandbox app id
    QString wmClass;    // on Wayland, the client's app id
    QString wmInstance;
    qint64 pid = 0;             // 0 when unknown
    bool ordinary = false;      // a normal window or a dialog
    bool desktopShell = false;  // the desktop or a panel
    bool skipTaskbar = false;
};

// The window a D-Bus dictionary describes; nullopt when it is empty or malformed.
std::optional<ShellWindow> shellWindowFromMap(const QVariantMap& map);

class GnomeShellWorkspace final : public QObject, public Workspace {
    Q_OBJECT

public:
    // nullptr when GNOME Shell is not on the session bus. Installs the extension first.
    static std::unique_ptr<Workspace> create(DesktopEntries& entries);

    // The same on the given bus, with the extension written under extensionsFolder.
    static std::unique_ptr<GnomeShellWorkspace> create(DesktopEntries& entries,
                                                       const QDBusConnection& bus,
                                                       const QString& extensionsFolder);
    ~GnomeShellWorkspace() override;

    std::optional<QString> frontmostApplicationName() override;
    std::optional<RunningApplication> frontmostApplication() override;
    QList<RunningApplication> runningApplications() override;
    void hide(const RunningApplication& application) override;
    void setActivationHandler(std::function<void(const RunningApplication&)> handler) override;
    void setShownHandler(std::function<void(const RunningApplication&)> handler) override;
    void setChannelRestoredHandler(std::function<void()> handler) override;
    QList<RunningApplication> installedApplications() override;
    QString limitation() const override;

    static QString extensionUuid();

    // Writes the extension's files into extensionsFolder/<uuid>, each only when it differs.
    // False when a file could not be written.
    static bool installExtension(const QString& extensionsFolder);

private:
    GnomeShellWorkspace(DesktopEntries& entries, const QDBusConnection& bus);

    void extensionAppeared();
    void extensionVanished();
    void subscribe(const QString& method = QStringLiteral("Subscribe"));
    void takeFocus(const QVariantMap& window);
    QList<WindowFacts> windows();

private slots:
    void onFocusChanged(const QVariantMap& window);
    void onWindowsShown(const QDBusMessage& message);

private:
    WorkspaceCore m_core;
    std::unique_ptr<QDBusConnection> m_bus;  // by pointer: the app does not see QtDBus
    QDBusServiceWatcher* m_watcher = nullptr;
    bool m_extensionAnswers = false;
    bool m_everAnswered = false;
    bool m_subscribing = false;    // asked, no answer yet: not yet a limitation
    QList<WindowFacts> m_windows;  // the last list the extension gave
    bool m_listAsked = false;      // a list asked for without waiting is on its way
    bool m_listFresh = false;      // that list arrived: the next sweep takes it as it is
};

}  // namespace Quorel
