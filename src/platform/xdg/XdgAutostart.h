// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Why this exists: desktops start at login what the XDG autostart folders hold, and the user
// switches that from more than one place. A file $XDG_CONFIG_HOME/autostart/quorel.desktop
// starts Quorel; a copy there saying Hidden=true turns off an entry of the same name that a
// package put in $XDG_CONFIG_DIRS/autostart; GNOME's own settings switch an entry off with
// X-GNOME-Autostart-enabled=false. So the answer is read from the files every time, never kept.

#include "DesktopEntries.h"
#include "ports/LoginStart.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace Quorel {

// What an autostart entry runs: its Exec value, and the program TryExec names so that a
// session skips the entry once the program is gone.
struct AutostartCommand {
    QString exec;
    QString tryExec;

    bool operator==(const AutostartCommand&) const = default;
};

// The command that starts program at login. "quorel" when that name on PATH is program itself
// (an installed package: the entry keeps working wherever an upgrade puts the binary); else
// program's absolute path, since a build tree or an unpacked copy is found no other way.
AutostartCommand autostartCommand(const QString& program, const QString& onPath);

// One argument as an Exec line takes it: quoted when it holds a reserved character, and every
// "%" doubled, so no file name turns into a field code.
QString quotedExecArgument(const QString& argument);

// The arguments an Exec value (already unescaped) stands for, quotes removed and field codes
// dropped, as a session would start it.
QStringList execArguments(QStringView exec);

// The entry file for command; hidden gives the copy that turns off a system-wide entry.
QByteArray autostartEntry(const AutostartCommand& command, bool hidden);

// Whether a session starts what the entry describes: a valid application that no setting hides.
bool autostartStarts(const std::optional<DesktopEntry>& entry);

class XdgAutostart final : public LoginStart {
public:
    // userFolder: $XDG_CONFIG_HOME/autostart; systemFolders: each $XDG_CONFIG_DIRS/autostart,
    // the first one winning.
    XdgAutostart(QString userFolder, QStringList systemFolders, AutostartCommand command);

    // For this user and the program that runs now.
    static std::unique_ptr<XdgAutostart> forThisProgram();

    bool isEnabled() const override;
    QString setEnabled(bool enabled) override;

    QString userEntryPath() const;

private:
    // The system-wide entry that the user's folder would override; nullopt when there is none.
    std::optional<DesktopEntry> systemEntry() const;
    QString write(bool hidden) const;

    QString m_userFolder;
    QStringList m_systemFolders;
    AutostartCommand m_command;
};

}  // namespace Quorel
