// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The applications of a KDE Plasma Wayland session, from KWin through a script of ours.
//
// Why a script: KWin tells no outside program which window is active or lets one minimise
// another's windows; its scripts can. Quorel writes workspace.js to the runtime folder, loads
// it over KWin's scripting interface and unloads it on exit. The script calls this object over
// the session bus on every activation, whenever windows come, go or are minimised, and when
// windows come into sight (once per turn of KWin's event loop, however many came), so the
// engine's frequent questions are answered from a cache without a round trip.
//
// A script cannot receive calls, so Quorel's hide requests travel two ways. Made while an
// activation or a window shown is being handled (the engine hides a blocked application the
// moment it comes to the front or into sight), they ride back in the answer to that call, at no
// extra cost.
// Otherwise Quorel loads a one-off script (hide.js) that minimises the windows, reports back
// and is unloaded; one at a time, with later requests merged into the next. This avoids a
// script that polls for requests while nothing happens.
//
// Calls are taken only from the bus name that owns org.kde.KWin; anyone else on the session
// bus is ignored. The script dies with KWin and can be unloaded by anyone: a new owner of
// KWin's name, or a check every few seconds, has it loaded again, and limitation() says
// blocking is off until it reports.

#include "ports/Workspace.h"
#include "workspace/WorkspaceCore.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QTimer>

#include <memory>

class QTimer;

namespace Quorel {

class DesktopEntries;

class KWinWorkspace final : public QObject, public Workspace, protected QDBusContext {
    Q_OBJECT
    // As app.quorel.KWinWorkspace.xml has it; the tests hold the two together.
    Q_CLASSINFO("D-Bus Interface", "app.quorel.KWinWorkspace")

public:
    // nullptr when KWin is not on the session bus. Loads the script into KWin without waiting:
    // until its first report nothing is in front. entries must outlive this.
    static std::unique_ptr<Workspace> create(DesktopEntries& entries);
    ~KWinWorkspace() override;

    std::optional<QString> frontmostApplicationName() override;
    std::optional<RunningApplication> frontmostApplication() override;
    QList<RunningApplication> runningApplications() override;
    // Minimises every window of the application that KWin lets minimise.
    void hide(const RunningApplication& application) override;
    void setActivationHandler(std::function<void(const RunningApplication&)> handler) override;
    void setShownHandler(std::function<void(const RunningApplication&)> handler) override;
    void setChannelRestoredHandler(std::function<void()> handler) override;
    QList<RunningApplication> installedApplications() override;
    QString limitation() const override;

public Q_SLOTS:
    // Called by the script in KWin; the answers are the JSON list of windows to minimise.
    Q_SCRIPTABLE QString Activated(const QString& window);
    Q_SCRIPTABLE QString Shown(const QString& windows);
    Q_SCRIPTABLE void Windows(const QString& windows);
    Q_SCRIPTABLE void HideDone(const QString& token);

private:
    KWinWorkspace(QDBusConnection bus, QString kwinOwner, DesktopEntries& entries);

    enum class State { Loading, Ready, Lost };

    bool prepare();
    void load();
    void lost(const char* why);
    void kwinOwnerChanged(const QString& newOwner);
    void checkScript();
    bool fromKWin() const;
    QString deliverAndAnswer();
    void startHideScript();
    void finishHideScript();

    QDBusConnection m_bus;
    QString m_kwinOwner;  // the unique name that owns org.kde.KWin; "" while none does
    WorkspaceCore m_core;
    QString m_scriptFile;
    State m_state = State::Loading;
    quint64 m_loadAttempt = 0;  // replies of an earlier attempt are dropped
    QTimer m_loadTimeout;
    QTimer m_retry;
    int m_retryDelay = 0;
    QTimer m_scriptCheck;

    QList<WindowFacts> m_windows;
    std::optional<WindowFacts> m_activeWindow;

    bool m_answering = false;    // a report of the script is being handled
    QStringList m_answerIds;     // windows to hide, asked for meanwhile
    QStringList m_pendingHides;  // windows waiting for the next one-off script
    QString m_hideToken;         // of the one-off script in flight; "" when none
    QString m_hideFile;
    quint64 m_hideSerial = 0;
    QTimer* m_hideTimeout = nullptr;
};

}  // namespace Quorel
