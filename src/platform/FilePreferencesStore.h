// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "ports/PreferencesStore.h"

#include <QString>

namespace Quorel {

// Preferences as one JSON file per key in a folder of the user's configuration
// (${XDG_CONFIG_HOME:-~/.config}/quorel). Writes go through a temporary file that replaces the
// old one only once it is complete and synced, so a crash never leaves a torn document and a
// full disk never replaces it. Reading takes only a regular file of sane size.
class FilePreferencesStore : public PreferencesStore {
public:
    explicit FilePreferencesStore(QString folder);

    // The folder the desktop's configuration convention gives this user.
    static QString defaultFolder();

    QString pathFor(const QString& key) const;

    std::optional<QByteArray> data(const QString& key) const override;
    bool setData(const QString& key, const QByteArray& bytes) override;
    std::optional<QString> setAside(const QString& key) override;
    QString lastError() const override;
    QString readError() const override { return m_readError; }

private:
    bool fail(const QString& why);
    static void removeInterruptedSaves(const QString& path);

    QString m_folder;
    QString m_lastError;
    mutable QString m_readError;
};

}  // namespace Quorel
