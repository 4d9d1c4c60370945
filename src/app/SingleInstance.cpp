// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "SingleInstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QStandardPaths>

#include <algorithm>

namespace Quorel {

namespace {

const QByteArray activateWord = QByteArrayLiteral("activate");
constexpr int connectTimeoutMs = 1000;
// Below the 108 bytes of a socket address, with room to spare.
constexpr qsizetype longestSocketPath = 100;
constexpr qsizetype longestToken = 512;

QString canonicalFolder(const QString& folder) {
    QDir().mkpath(folder);
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(folder) : canonical;
}

// Beside the lock; a folder too deep for a socket address has it in the runtime folder, named
// after the document's folder.
QString socketPathFor(const QString& folder) {
    const QString beside = folder + QStringLiteral("/quorel.socket");
    if (QFile::encodeName(beside).size() <= longestSocketPath) {
        return beside;
    }
    const QByteArray hash =
        QCryptographicHash::hash(folder.toUtf8(), QCryptographicHash::Sha256).toHex().left(16);
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) +
           QStringLiteral("/quorel-") + QString::fromLatin1(hash) + QStringLiteral(".socket");
}

// A token is printable ASCII without spaces; anything else is dropped, not passed on.
QByteArray cleanToken(const QByteArray& token) {
    const bool clean =
        token.size() <= longestToken &&
        std::all_of(token.cbegin(), token.cend(), [](char c) { return c > ' ' && c < 127; });
    return clean ? token : QByteArray();
}

}  // namespace

SingleInstance::SingleInstance(const QString& documentFolder, QObject* parent)
    : QObject(parent),
      m_folder(canonicalFolder(documentFolder)),
      m_socketPath(socketPathFor(m_folder)),
      m_lock(m_folder + QStringLiteral("/quorel.lock")) {
    // A lock is stale only when its process is gone, however long a Quorel runs.
    m_lock.setStaleLockTime(0);
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_server, &QLocalServer::newConnection, this, &SingleInstance::onNewConnection);
}

SingleInstance::~SingleInstance() {
    m_server.close();
}

SingleInstance::LaunchTokens SingleInstance::LaunchTokens::fromEnvironment() {
    return {cleanToken(qgetenv("DESKTOP_STARTUP_ID")), cleanToken(qgetenv("XDG_ACTIVATION_TOKEN"))};
}

SingleInstance::Role SingleInstance::claim(std::chrono::milliseconds patience,
                                           const LaunchTokens& tokens) {
    const QDeadlineTimer deadline(patience);
    while (true) {
        if (askPrimaryToActivate(tokens)) {
            return Role::Secondary;
        }
        // The wait doubles as the poll interval while a racing launch gets to listen.
        if (m_lock.tryLock(50)) {
            // Holding the lock, no other instance lives: a socket file there is a crash's.
            if (askPrimaryToActivate(tokens)) {
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

bool SingleInstance::askPrimaryToActivate(const LaunchTokens& tokens) {
    QLocalSocket socket;
    socket.connectToServer(m_socketPath);
    if (!socket.waitForConnected(connectTimeoutMs)) {
        return false;
    }
    // "activate startup-id=ID activation-token=TOKEN", the parts after the word optional.
    QByteArray message = activateWord;
    for (const auto& [key, token] : {std::pair{"startup-id", &tokens.startupId},
                                     std::pair{"activation-token", &tokens.activationToken}}) {
        if (!token->isEmpty()) {
            message += ' ' + QByteArray(key) + '=' + *token;
        }
    }
    socket.write(message + '\n');
    const bool sent = socket.waitForBytesWritten(connectTimeoutMs);
    socket.disconnectFromServer();
    return sent;
}

void SingleInstance::onNewConnection() {
    while (QLocalSocket* socket = m_server.nextPendingConnection()) {
        const auto readRequests = [this, socket] {
            while (socket->canReadLine()) {
                const QList<QByteArray> words = socket->readLine().trimmed().split(' ');
                if (words.value(0) != activateWord) {
                    continue;
                }
                QString startupId;
                QString activationToken;
                for (const QByteArray& word : words.mid(1)) {
                    const qsizetype equals = word.indexOf('=');
                    const QByteArray key = word.left(equals);
                    const QString value = QString::fromLatin1(cleanToken(word.mid(equals + 1)));
                    if (key == "startup-id") {
                        startupId = value;
                    } else if (key == "activation-token") {
                        activationToken = value;
                    }
                }
                emit activationRequested(startupId, activationToken);
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
