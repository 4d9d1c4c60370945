#include "FilePreferencesStore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace Quorel {

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
    QFile file(pathFor(key));
    if (!file.exists()) {
        return std::nullopt;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        return QByteArray();
    }
    return file.readAll();
}

bool FilePreferencesStore::setData(const QString& key, const QByteArray& bytes) {
    if (!QDir().mkpath(m_folder)) {
        return false;
    }
    QSaveFile file(pathFor(key));
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    if (file.write(bytes) != bytes.size()) {
        return false;  // the temporary file is discarded unread
    }
    return file.commit();
}

bool FilePreferencesStore::setAside(const QString& key) {
    const QString path = pathFor(key);
    if (!QFileInfo::exists(path)) {
        return true;
    }
    const QString stamp =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd'T'HH-mm-ss"));
    QString aside = path + QStringLiteral(".unreadable-") + stamp;
    for (int n = 2; QFileInfo::exists(aside); ++n) {
        aside =
            path + QStringLiteral(".unreadable-") + stamp + QLatin1Char('-') + QString::number(n);
    }
    return QFile::rename(path, aside);
}

}  // namespace Quorel
