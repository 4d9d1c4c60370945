// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The applications of a sway desktop (and other compositors that speak its IPC), through the
// socket SWAYSOCK names.
//
// Two connections: one subscribed to window and workspace events, read as they come, and one
// for requests, so that a reply never has to be told apart from an event. The events keep the
// application in front in a cache, so asking for it costs no round trip. Requests that need an
// answer (the window list) wait for it with a short bound; hiding sends its command and reads
// the reply later. When sway closes them (a restart), both are opened again, less often the
// longer it stays away, and limitation() says blocking is off meanwhile.
//
// Hiding moves an application's windows to the scratchpad, which sway keeps out of sight until
// asked.

#include "ports/Workspace.h"
#include "workspace/WorkspaceCore.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <memory>
#include <optional>

class QJsonObject;
class QLocalSocket;

namespace Quorel {

namespace SwayIpc {
struct Frame;
}
class DesktopEntries;

class SwayWorkspace final : public QObject, public Workspace {
    Q_OBJECT

public:
    // Connects to the socket (SWAYSOCK when empty), subscribes and reads the focused window once;
    // nullptr when any of that fails. entries must outlive this.
    static std::unique_ptr<Workspace> create(DesktopEntries& entries);
    static std::unique_ptr<SwayWorkspace> connectTo(DesktopEntries& entries,
                                                    const QString& socketPath);
    ~SwayWorkspace() override;

    std::optional<QString> frontmostApplicationName() override;
    std::optional<RunningApplication> frontmostApplication() override;

    // The tree, asked for now; empty when sway does not answer in time.
    QList<RunningApplication> runningApplications() override;

    void hide(const RunningApplication& application) override;
    void setActivationHandler(std::function<void(const RunningApplication&)> handler) override;
    void setShownHandler(std::function<void(const RunningApplication&)> handler) override;
    void setChannelRestoredHandler(std::function<void()> handler) override;
    QList<RunningApplication> installedApplications() override;
    QString limitation() const override;

private:
    struct Channel;

    SwayWorkspace(DesktopEntries& entries, QString socketPath);

    bool connectChannels();
    void lost();
    void reconnect();

    void handleEvents();
    void handleReplies();
    void windowEvent(const QJsonObject& event);
    void workspaceEvent(const QJsonObject& event);
    void takeFront(const std::optional<QJsonObject>& view);
    std::optional<QByteArray> request(std::uint32_t type, const QByteArray& payload);
    void otherReply(const SwayIpc::Frame& frame);
    bool readFocused();

    static constexpr int firstReconnectDelay = 250;      // ms
    static constexpr int longestReconnectDelay = 10000;  // ms

    WorkspaceCore m_core;
    const QString m_socketPath;
    QTimer m_reconnect;
    int m_reconnectDelay = firstReconnectDelay;
    bool m_lost = false;
    std::unique_ptr<Channel> m_events;
    std::unique_ptr<Channel> m_requests;
    int m_unansweredCommands = 0;  // replies to hide commands still to come on m_requests
    qint64 m_frontWindow = -1;     // sway's container id of the window in front
    bool m_treeLate = false;       // a tree asked for came too late for the caller
    std::optional<QList<WindowFacts>> m_lateWindows;  // its windows, for the sweep it starts
};

}  // namespace Quorel
