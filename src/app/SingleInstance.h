// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

#include <chrono>

namespace Quorel {

// One Quorel per user. Two engines would each save the same document, the last writer winning,
// so a later launch asks the running one to come forward and exits before building anything.
//
// Who runs is decided by an abstract Unix socket named after the user and the document's folder
// (its canonical path, so every launch that would save that document meets it, however its
// environment names the folder): the kernel lets one process hold the name and frees it when
// that process ends. Nothing is written to disk, so a full or read-only disk, a crash or a file
// left by another account never stands in the way. Only the same user is answered.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    enum class Role {
        Primary,      // this process runs; later launches reach it through activationRequested
        Secondary,    // the running instance was asked to come forward; this one should exit
        Unreachable,  // another instance holds the name but does not answer
    };

    // documentFolder is the folder of the saved document, made when missing.
    explicit SingleInstance(const QString& documentFolder, QObject* parent = nullptr);
    ~SingleInstance() override;

    // The abstract socket's name, the same for every launch that saves the same document.
    QString serverName() const { return m_name; }

    // What this launch's launcher gave it (DESKTOP_STARTUP_ID, XDG_ACTIVATION_TOKEN), read
    // before the platform takes them out of the environment.
    struct LaunchTokens {
        QByteArray startupId;
        QByteArray activationToken;
        static LaunchTokens fromEnvironment();
    };

    // Decides once, waiting at most patience for the running one to answer.
    Role claim(std::chrono::milliseconds patience = std::chrono::seconds(5),
               const LaunchTokens& tokens = LaunchTokens::fromEnvironment());

signals:
    // A later launch's startup id (X11) and activation token (Wayland), each possibly empty,
    // with which the desktop lets the window come to the front.
    void activationRequested(const QString& startupId, const QString& activationToken);

private:
    enum class Answer { Activated, Silent, Foreign, Nobody };
    Answer askPrimaryToActivate(const LaunchTokens& tokens, std::chrono::milliseconds wait);
    void onNewConnection();

    const QString m_name;
    QLocalServer m_server{this};  // a child, so that it moves with us to another thread
};

}  // namespace Quorel
