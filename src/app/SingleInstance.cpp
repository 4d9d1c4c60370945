#include "SingleInstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>

namespace Quorel {

namespace {

const QByteArray activateMessage = QByteArrayLiteral("activate\n");
constexpr int connectTimeoutMs = 1000;

}  // namespace

SingleInstance::SingleInstance(const QString& folder, const QString& name, QObject* parent)
    : QObject(parent),
      m_socketPath(QDir(folder).filePath(name + QStringLiteral(".socket"))),
      m_lock(QDir(folder).filePath(name + QStringLiteral(".lock"))) {
    // A lock is stale only when its process is gone, however long a Quorel runs.
    m_lock.setStaleLockTime(0);
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_server, &QLocalServer::newConnection, this, &SingleInstance::onNewConnection);
}

SingleInstance::~SingleInstance() {
    m_server.close();
}

QString SingleInstance::defaultFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

SingleInstance::Role SingleInstance::claim(std::chrono::milliseconds patience) {
    const QDeadlineTimer deadline(patience);
    while (true) {
        if (askPrimaryToActivate()) {
            return Role::Secondary;
        }
        // The wait doubles as the poll interval while a racing launch gets to listen.
        if (m_lock.tryLock(50)) {
            // Holding the lock, no other instance lives: a socket file there is a crash's.
            if (askPrimaryToActivate()) {
                m_lock.unlock();
                return Role::Secondary;
            }
            QLocalServer::removeServer(m_socketPath);
            if (!m_server.listen(m_socketPath)) {
                qWarning(
                    "Quorel: cannot listen on %s (%s); a second launch will run a second "
                    "instance.",
                    qUtf8Printable(m_socketPath), qUtf8Printable(m_server.errorString()));
            }
            return Role::Primary;
        }
        if (m_lock.error() == QLockFile::PermissionError ||
            m_lock.error() == QLockFile::UnknownError) {
            qWarning("Quorel: cannot take the lock %s; running without the single-instance check.",
                     qUtf8Printable(m_lock.fileName()));
            return Role::Primary;
        }
        if (deadline.hasExpired()) {
            return Role::Unreachable;
        }
    }
}

bool SingleInstance::askPrimaryToActivate() {
    QLocalSocket socket;
    socket.connectToServer(m_socketPath);
    if (!socket.waitForConnected(connectTimeoutMs)) {
        return false;
    }
    socket.write(activateMessage);
    const bool sent = socket.waitForBytesWritten(connectTimeoutMs);
    socket.disconnectFromServer();
    return sent;
}

void SingleInstance::onNewConnection() {
    while (QLocalSocket* socket = m_server.nextPendingConnection()) {
        const auto readRequests = [this, socket] {
            while (socket->canReadLine()) {
                if (socket->readLine() == activateMessage) {
                    emit activationRequested();
                }
            }
        };
        connect(socket, &QLocalSocket::readyRead, this, readRequests);
        // A launch writes and hangs up at once; what it wrote may come with the hang-up.
        connect(socket, &QLocalSocket::disconnected, this, [socket, readRequests] {
            readRequests();
            socket->deleteLater();
        });
    }
}

}  // namespace Quorel
