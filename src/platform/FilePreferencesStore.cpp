// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "FilePreferencesStore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace Quorel {

namespace {
// Far above any real document (a day of history is a few dozen bytes), far below what would
// hurt to hold in memory.
constexpr qint64 maxDocumentBytes = 64 * 1024 * 1024;
// Links followed to the file a save replaces, as far as any sane setup nests them.
constexpr int maxLinks = 16;

// A save's temporary file is the document's name, this, and six characters: the clean-up
// after a killed save takes only those, never a file of the user's beside the document.
const QString savingInfix = QStringLiteral(".saving-");

QString systemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// A document that is a link (a dotfiles manager's) stays one: the save replaces its target.
QString replacedFile(const QString& path) {
    QFileInfo file(path);
    for (int i = 0; i < maxLinks && file.isSymLink(); ++i) {
        file.setFile(file.symLinkTarget());
    }
    return file.filePath();
}

bool writeAll(int fd, const QByteArray& bytes) {
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno != EINTR) {
            return false;
        }
        done += n > 0 ? n : 0;
    }
    return true;
}
}  // namespace

FilePreferencesStore::FilePreferencesStore(QString folder) : m_folder(std::move(folder)) {}

QString FilePreferencesStore::defaultFolder() {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base)) {
        base = QDir::homePath() + QStringLiteral("/.config");
    }
    return base + QStringLiteral("/quorel");
}

QString FilePreferencesStore::pathFor(const QString& key) const {
    return m_folder + QLatin1Char('/') + key + QStringLiteral(".json");
}

std::optional<QByteArray> FilePreferencesStore::data(const QString& key) const {
    const QString path = pathFor(key);
    removeInterruptedSaves(path);
    // Non-blocking, so a FIFO in the document's place cannot stall the start.
    m_readError.clear();
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT && !QFileInfo(path).isSymLink()) {
            return std::nullopt;
        }
        m_readError = QStringLiteral("it cannot be opened: %1").arg(systemError(errno));
        return QByteArray();
    }
    // Only a regular file of sane size is a document; a device, a pipe or a link to /dev/zero
    // counts as unreadable and is set aside before the first save.
    const QString tooLarge =
        QStringLiteral("it is larger than %1 MiB").arg(maxDocumentBytes / (1024 * 1024));
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > maxDocumentBytes) {
        m_readError = S_ISREG(st.st_mode) ? tooLarge : QStringLiteral("it is not a plain file");
        ::close(fd);
        return QByteArray();
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        m_readError = file.errorString();
        return QByteArray();
    }
    // The file may still grow after the check.
    QByteArray bytes = file.read(maxDocumentBytes + 1);
    if (bytes.size() > maxDocumentBytes || file.error() != QFileDevice::NoError) {
        m_readError = bytes.size() > maxDocumentBytes ? tooLarge : file.errorString();
        return QByteArray();
    }
    return bytes;
}

// Written beside the document, synced, then renamed over it: a crash leaves the old document
// or the new one, and a full disk fails before anything is replaced. The reasons reported are
// the system's ("No space left on device").
bool FilePreferencesStore::setData(const QString& key, const QByteArray& bytes) {
    if (!QDir().mkpath(m_folder)) {
        return fail(QStringLiteral("cannot create the folder %1").arg(m_folder));
    }
    const QString path = pathFor(key);
    const QString target = replacedFile(path);
    QTemporaryFile temporary(target + savingInfix + QStringLiteral("XXXXXX"));
    if (!temporary.open()) {
        return fail(QStringLiteral("%1: %2").arg(path, temporary.errorString()));
    }
    const int fd = temporary.handle();
    // The permissions the user gave the document stay.
    struct stat old {};
    if (::stat(QFile::encodeName(target).constData(), &old) == 0) {
        ::fchmod(fd, old.st_mode & 07777);
    }
    if (!writeAll(fd, bytes) || ::fdatasync(fd) != 0) {
        return fail(QStringLiteral("%1: %2").arg(path, systemError(errno)));
    }
    if (::rename(QFile::encodeName(temporary.fileName()).constData(),
                 QFile::encodeName(target).constData()) != 0) {
        return fail(QStringLiteral("%1: %2").arg(path, systemError(errno)));
    }
    temporary.setAutoRemove(false);
    // The rename lasts through a power cut once the folder is synced too.
    const int folder = ::open(QFile::encodeName(QFileInfo(target).path()).constData(),
                              O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    m_lastError.clear();
    return true;
}

std::optional<QString> FilePreferencesStore::setAside(const QString& key) {
    const QString path = pathFor(key);
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) {
        return QString();
    }
    const QString stamp =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd'T'HH-mm-ss"));
    QString aside = path + QStringLiteral(".unreadable-") + stamp;
    for (int n = 2; QFileInfo::exists(aside); ++n) {
        aside =
            path + QStringLiteral(".unreadable-") + stamp + QLatin1Char('-') + QString::number(n);
    }
    if (::rename(QFile::encodeName(path).constData(), QFile::encodeName(aside).constData()) != 0) {
        fail(QStringLiteral("cannot move %1 aside: %2").arg(path, systemError(errno)));
        return std::nullopt;
    }
    m_lastError.clear();
    return aside;
}

QString FilePreferencesStore::lastError() const {
    return m_lastError;
}

bool FilePreferencesStore::fail(const QString& why) {
    m_lastError = why;
    return false;
}

void FilePreferencesStore::removeInterruptedSaves(const QString& path) {
    // A save killed halfway leaves its temporary file beside the document.
    const QFileInfo document(replacedFile(path));
    const QDir folder = document.dir();
    const QString pattern = document.fileName() + savingInfix + QStringLiteral("??????");
    for (const QString& name :
         folder.entryList({pattern}, QDir::Files | QDir::Hidden | QDir::CaseSensitive)) {
        QFile::remove(folder.filePath(name));
    }
}

}  // namespace Quorel
