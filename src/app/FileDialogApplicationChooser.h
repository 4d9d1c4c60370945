// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "ports/ApplicationChooser.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace Quorel {

// The desktop's application chooser: a file dialog over the installed desktop entries.
class FileDialogApplicationChooser final : public ApplicationChooser {
public:
    // The Name= of a desktop entry's contents (localised as the rest of the app names
    // applications); empty when it has none.
    using EntryName = std::function<QString(QStringView contents)>;

    explicit FileDialogApplicationChooser(EntryName entryName);

    QStringList chooseApplications() override;

    // Each chosen file's application name: its entry's name, else the file name without its
    // extension ("org.gnome.Maps.desktop" -> "org.gnome.Maps").
    static QStringList applicationNames(const QStringList& paths, const EntryName& entryName);

private:
    EntryName m_entryName;
};

}  // namespace Quorel
