// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "FileDialogApplicationChooser.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>

namespace Quorel {

namespace {

constexpr qint64 maxEntrySize = 1 << 20;  // a desktop file is a few kB

}  // namespace

FileDialogApplicationChooser::FileDialogApplicationChooser(EntryName entryName)
    : m_entryName(std::move(entryName)) {}

QStringList FileDialogApplicationChooser::chooseApplications() {
    QFileDialog dialog(nullptr, QStringLiteral("Choose an Application to Block"),
                       QStringLiteral("/usr/share/applications"), QStringLiteral("*.desktop"));
    dialog.setFileMode(QFileDialog::ExistingFiles);
    // A linked entry keeps its own file name for the fallback, not its target's.
    dialog.setOption(QFileDialog::DontResolveSymlinks);
    if (dialog.exec() != QDialog::Accepted) {
        return {};
    }
    return applicationNames(dialog.selectedFiles(), m_entryName);
}

QStringList FileDialogApplicationChooser::applicationNames(const QStringList& paths,
                                                           const EntryName& entryName) {
    QStringList names;
    for (const QString& path : paths) {
        QString name;
        QFile file(path);
        if (file.size() <= maxEntrySize && file.open(QIODevice::ReadOnly)) {
            name = entryName(QString::fromUtf8(file.readAll()));
        }
        names.append(name.isEmpty() ? QFileInfo(path).completeBaseName() : name);
    }
    return names;
}

}  // namespace Quorel
