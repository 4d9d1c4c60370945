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
class SingleInstance : public QObject {
    Q_OBJECT

public:
    enum class Role {
        Primary,      // this process runs; later launches reach it through activationRequested
        Secondary,    // the running instance was asked to come forward; this one should exit
        Unreachable,  // another instance holds the lock but does not answer
    };

    // folder holds the socket and the lock, both called name; only this user may write there.
    explicit SingleInstance(const QString& folder, const QString& name = QStringLiteral("quorel"),
                            QObject* parent = nullptr);
    ~SingleInstance() override;

    // The user's runtime folder ($XDG_RUNTIME_DIR, or a private one Qt makes in the temp folder).
    static QString defaultFolder();

    // Decides once, waiting at most patience for a racing launch to start listening.
    Role claim(std::chrono::milliseconds patience = std::chrono::seconds(5));

signals:
    void activationRequested();

private:
    bool askPrimaryToActivate();
    void onNewConnection();

    QString m_socketPath;
    QLockFile m_lock;
    QLocalServer m_server;
};

}  // namespace Quorel
