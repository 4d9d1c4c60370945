#include "FilePreferencesStore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Quorel {

namespace {
// Far above any real document (a day of history is a few dozen bytes), far below what would
// hurt to hold in memory.
constexpr qint64 maxDocumentBytes = 64 * 1024 * 1024;
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
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT && !QFileInfo(path).isSymLink()) {
            return std::nullopt;
        }
        return QByteArray();
    }
    // Only a regular file of sane size is a document; a device, a pipe or a link to /dev/zero
    // counts as unreadable and is set aside before the first save.
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > maxDocumentBytes) {
        ::close(fd);
        return QByteArray();
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return QByteArray();
    }
    // The file may still grow after the check.
    QByteArray bytes = file.read(maxDocumentBytes + 1);
    if (bytes.size() > maxDocumentBytes || file.error() != QFileDevice::NoError) {
        return QByteArray();
    }
    return bytes;
}

bool FilePreferencesStore::setData(const QString& key, const QByteArray& bytes) {
    if (!QDir().mkpath(m_folder)) {
        return fail(QStringLiteral("cannot create the folder %1").arg(m_folder));
    }
    const QString path = pathFor(key);
    QSaveFile file(path);
    // Unbuffered, so a full disk fails the write itself and is seen before the commit; a
    // buffered write would only fail in the flush, after which an empty file could replace the
    // document.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        return fail(QStringLiteral("%1: %2").arg(path, file.errorString()));
    }
    if (file.write(bytes) != bytes.size() || file.error() != QFileDevice::NoError) {
        const QString why = QStringLiteral("%1: %2").arg(path, file.errorString());
        file.cancelWriting();
        return fail(why);
    }
    if (!file.commit()) {
        return fail(QStringLiteral("%1: %2").arg(path, file.errorString()));
    }
    m_lastError.clear();
    return true;
}

bool FilePreferencesStore::setAside(const QString& key) {
    const QString path = pathFor(key);
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) {
        return true;
    }
    const QString stamp =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd'T'HH-mm-ss"));
    QString aside = path + QStringLiteral(".unreadable-") + stamp;
    for (int n = 2; QFileInfo::exists(aside); ++n) {
        aside =
            path + QStringLiteral(".unreadable-") + stamp + QLatin1Char('-') + QString::number(n);
    }
    if (::rename(QFile::encodeName(path).constData(), QFile::encodeName(aside).constData()) != 0) {
        return fail(QStringLiteral("cannot move %1 aside: %2")
                        .arg(path, QString::fromLocal8Bit(strerror(errno))));
    }
    m_lastError.clear();
    return true;
}

QString FilePreferencesStore::lastError() const {
    return m_lastError;
}

bool FilePreferencesStore::fail(const QString& why) {
    m_lastError = why;
    return false;
}

void FilePreferencesStore::removeInterruptedSaves(const QString& path) {
    // Where the file system cannot make unnamed temporary files, a save killed halfway leaves
    // its named one (the document's name and six characters) beside the document.
    const QFileInfo document(path);
    const QRegularExpression leftover(QStringLiteral("^%1\\.[A-Za-z0-9]{6}$")
                                          .arg(QRegularExpression::escape(document.fileName())));
    const QDir folder = document.dir();
    const QStringList names = folder.entryList({document.fileName() + QStringLiteral(".??????")},
                                               QDir::Files | QDir::Hidden);
    for (const QString& name : names) {
        if (leftover.match(name).hasMatch()) {
            QFile::remove(folder.filePath(name));
        }
    }
}

}  // namespace Quorel
