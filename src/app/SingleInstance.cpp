// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "SingleInstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QThread>

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

namespace Quorel {

namespace {

const QByteArray activateWord = QByteArrayLiteral("activate");
const QByteArray answerWord = QByteArrayLiteral("ok\n");
constexpr qsizetype longestToken = 512;
constexpr qsizetype longestRequest = 2048;

QString canonicalFolder(const QString& folder) {
    QDir().mkpath(folder);
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(folder) : canonical;
}

// The user and a hash of the folder: short enough for any folder, and another user's launches
// with the same folder path (a shared /home on another machine) never meet ours.
QString serverNameFor(const QString& folder) {
    const QByteArray hash =
        QCryptographicHash::hash(folder.toUtf8(), QCryptographicHash::Sha256).toHex().left(32);
    return QStringLiteral("quorel-%1-%2").arg(::getuid()).arg(QString::fromLatin1(hash));
}

// A token is printable ASCII without spaces; anything else is dropped, not passed on.
QByteArray cleanToken(const QByteArray& token) {
    const bool clean =
        token.size() <= longestToken &&
        std::all_of(token.cbegin(), token.cend(), [](char c) { return c > ' ' && c < 127; });
    return clean ? token : QByteArray();
}

// Whether the other end of a connected local socket runs as this user.
bool isOurUser(qintptr descriptor) {
    ucred peer{};
    socklen_t length = sizeof peer;
    return ::getsockopt(static_cast<int>(descriptor), SOL_SOCKET, SO_PEERCRED, &peer, &length) ==
               0 &&
           peer.uid == ::getuid();
}

}  // namespace

SingleInstance::SingleInstance(const QString& documentFolder, QObject* parent)
    : QObject(parent), m_name(serverNameFor(canonicalFolder(documentFolder))) {
    m_server.setSocketOptions(QLocalServer::AbstractNamespaceOption);
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
        if (m_server.listen(m_name)) {
            return Role::Primary;
        }
        if (m_server.serverError() != QAbstractSocket::AddressInUseError) {
            qWarning(
                "Quorel: cannot listen on the name %s (%s); a second launch will run a "
                "second instance.",
                qUtf8Printable(m_name), qUtf8Printable(m_server.errorString()));
            return Role::Primary;
        }
        const auto left = std::chrono::milliseconds(std::max<qint64>(deadline.remainingTime(), 0));
        switch (askPrimaryToActivate(tokens, left)) {
            case Answer::Activated:
                return Role::Secondary;
            case Answer::Foreign:
                // Someone else took our name first; we run, without the check.
                qWarning(
                    "Quorel: another user holds the name %s; running without the "
                    "single-instance check.",
                    qUtf8Printable(m_name));
                return Role::Primary;
            case Answer::Silent:
                return Role::Unreachable;
            case Answer::Nobody:
                break;  // the holder was just ending: the name is free again in a moment
        }
        if (deadline.hasExpired()) {
            return Role::Unreachable;
        }
        QThread::msleep(20);
    }
}

SingleInstance::Answer SingleInstance::askPrimaryToActivate(const LaunchTokens& tokens,
                                                            std::chrono::milliseconds wait) {
    QLocalSocket socket;
    socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(std::max(100, int(wait.count())))) {
        return Answer::Nobody;
    }
    if (!isOurUser(socket.socketDescriptor())) {
        return Answer::Foreign;
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
    // The running one answers from its event loop, which may still be starting.
    const QDeadlineTimer deadline(wait);
    while (!socket.canReadLine() && socket.state() == QLocalSocket::ConnectedState &&
           socket.waitForReadyRead(int(std::max<qint64>(deadline.remainingTime(), 0)))) {
    }
    const bool answered = socket.canReadLine() && socket.readLine() == answerWord;
    socket.disconnectFromServer();
    return answered ? Answer::Activated : Answer::Silent;
}

void SingleInstance::onNewConnection() {
    while (QLocalSocket* socket = m_server.nextPendingConnection()) {
        // Anyone on the machine may connect to an abstract name: only our user is heard.
        if (!isOurUser(socket->socketDescriptor())) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
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
                socket->write(answerWord);
                emit activationRequested(startupId, activationToken);
            }
            // A line without an end, longer than any request, is no launch of ours.
            if (socket->bytesAvailable() > longestRequest) {
                socket->abort();
            }
        };
        connect(socket, &QLocalSocket::readyRead, this, readRequests);
        // A launch may write and hang up at once; what it wrote may come with the hang-up.
        connect(socket, &QLocalSocket::disconnected, this, [socket, readRequests] {
            readRequests();
            socket->deleteLater();
        });
    }
}

}  // namespace Quorel
