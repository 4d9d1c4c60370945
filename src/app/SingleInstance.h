// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

#include <chrono>

namespace Quorel {

// One Quorel per user. Two engines would each save the same document, the last writer winning,
// so a later launch asks the running one to come forward and exits before building anything.
//
// The lock file decides who runs when launches race or a crash left the socket behind: only
// the holder of the lock listens, and it replaces a socket file only once nothing answers there.
// Both live in the document's own folder, reached by its canonical path: every launch that
// would save that document meets them, however its environment names the folder.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    enum class Role {
        Primary,      // this process runs; later launches reach it through activationRequested
        Secondary,    // the running instance was asked to come forward; this one should exit
        Unreachable,  // another instance holds the lock but does not answer
    };

    // documentFolder is the folder of the saved document, made when missing.
    explicit SingleInstance(const QString& documentFolder, QObject* parent = nullptr);
    ~SingleInstance() override;

    QString lockPath() const { return m_lock.fileName(); }

    // What this launch's launcher gave it (DESKTOP_STARTUP_ID, XDG_ACTIVATION_TOKEN), read
    // before the platform takes them out of the environment.
    struct LaunchTokens {
        QByteArray startupId;
        QByteArray activationToken;
        static LaunchTokens fromEnvironment();
    };

    // Decides once, waiting at most patience for a racing launch to start listening.
    Role claim(std::chrono::milliseconds patience = std::chrono::seconds(5),
               const LaunchTokens& tokens = LaunchTokens::fromEnvironment());

signals:
    // A later launch's startup id (X11) and activation token (Wayland), each possibly empty,
    // with which the desktop lets the window come to the front.
    void activationRequested(const QString& startupId, const QString& activationToken);

private:
    bool askPrimaryToActivate(const LaunchTokens& tokens);
    void onNewConnection();

    const QString m_folder;  // canonical
    QString m_socketPath;
    QLockFile m_lock;
    QLocalServer m_server;
};

}  // namespace Quorel
