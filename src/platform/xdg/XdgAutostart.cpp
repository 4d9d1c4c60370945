// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "XdgAutostart.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>

namespace Quorel {

namespace {

const QString entryName = QStringLiteral("quorel.desktop");

// Characters an Exec argument may only hold inside double quotes.
bool isReserved(QChar c) {
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    return reserved.contains(c);
}

// A string value of the format: backslashes and control characters escaped.
QString escapedValue(const QString& value) {
    QString out;
    out.reserve(value.size());
    for (const QChar c : value) {
        switch (c.unicode()) {
            case u'\\':
                out += QStringLiteral("\\\\");
                break;
            case u'\n':
                out += QStringLiteral("\\n");
                break;
            case u'\t':
                out += QStringLiteral("\\t");
                break;
            case u'\r':
                out += QStringLiteral("\\r");
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::optional<DesktopEntry> readEntry(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    return parseDesktopEntry(QString::fromUtf8(file.readAll()), entryName, {});
}

}  // namespace

AutostartCommand autostartCommand(const QString& program, const QString& onPath) {
    const QString canonical = QFileInfo(program).canonicalFilePath();
    if (!onPath.isEmpty() && !canonical.isEmpty() &&
        QFileInfo(onPath).canonicalFilePath() == canonical) {
        const QString name = QFileInfo(onPath).fileName();
        return {quotedExecArgument(name) + u' ' + loginStartArgument, name};
    }
    const QString absolute = QFileInfo(program).absoluteFilePath();
    return {quotedExecArgument(absolute) + u' ' + loginStartArgument, absolute};
}

QString quotedExecArgument(const QString& argument) {
    QString doubled = argument;
    doubled.replace(u'%', QStringLiteral("%%"));
    if (!doubled.isEmpty() && std::none_of(doubled.cbegin(), doubled.cend(), isReserved)) {
        return doubled;
    }
    QString quoted = QStringLiteral("\"");
    for (const QChar c : doubled) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\') {
            quoted += u'\\';
        }
        quoted += c;
    }
    return quoted + u'"';
}

QStringList execArguments(QStringView exec) {
    QStringList arguments;
    QString current;
    bool inArgument = false;
    bool quoted = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (c == u'%' && i + 1 < exec.size()) {
            // %% is a percent sign; any other field code stands for nothing at login.
            if (exec[++i] == u'%') {
                current += u'%';
                inArgument = true;
            }
        } else if (quoted) {
            if (c == u'\\' && i + 1 < exec.size()) {
                current += exec[++i];
            } else if (c == u'"') {
                quoted = false;
            } else {
                current += c;
            }
        } else if (c == u'"') {
            quoted = true;
            inArgument = true;
        } else if (c == u' ' || c == u'\t') {
            if (inArgument) {
                arguments.append(current);
            }
            current.clear();
            inArgument = false;
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (inArgument) {
        arguments.append(current);
    }
    return arguments;
}

QByteArray autostartEntry(const AutostartCommand& command, bool hidden) {
    QString text = QStringLiteral(
                       "[Desktop Entry]\n"
                       "Type=Application\n"
                       "Name=Quorel\n"
                       "Comment=Start Quorel when you log in\n"
                       "Exec=%1\n"
                       "TryExec=%2\n"
                       "Icon=quorel\n"
                       "Terminal=false\n")
                       .arg(escapedValue(command.exec), escapedValue(command.tryExec));
    text += hidden ? QStringLiteral("Hidden=true\n")
                   : QStringLiteral("X-GNOME-Autostart-enabled=true\n");
    return text.toUtf8();
}

bool autostartStarts(const std::optional<DesktopEntry>& entry) {
    return entry && !entry->hidden && entry->isApplication && !entry->program.isEmpty() &&
           entry->autostartEnabled;
}

XdgAutostart::XdgAutostart(QString userFolder, QStringList systemFolders, AutostartCommand command)
    : m_userFolder(std::move(userFolder)),
      m_systemFolders(std::move(systemFolders)),
      m_command(std::move(command)) {}

std::unique_ptr<XdgAutostart> XdgAutostart::forThisProgram() {
    QStringList configFolders =
        QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation);
    const QString user = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    configFolders.removeAll(user);
    QStringList systemFolders;
    for (const QString& folder : std::as_const(configFolders)) {
        systemFolders.append(folder + QStringLiteral("/autostart"));
    }
    return std::make_unique<XdgAutostart>(
        user + QStringLiteral("/autostart"), systemFolders,
        autostartCommand(QCoreApplication::applicationFilePath(),
                         QStandardPaths::findExecutable(QStringLiteral("quorel"))));
}

QString XdgAutostart::userEntryPath() const {
    return m_userFolder + u'/' + entryName;
}

std::optional<DesktopEntry> XdgAutostart::systemEntry() const {
    for (const QString& folder : m_systemFolders) {
        const QString path = folder + u'/' + entryName;
        if (QFileInfo::exists(path)) {
            return readEntry(path);
        }
    }
    return std::nullopt;
}

bool XdgAutostart::isEnabled() const {
    // The user's file, valid or not, masks the system's: sessions look no further.
    if (QFileInfo::exists(userEntryPath())) {
        return autostartStarts(readEntry(userEntryPath()));
    }
    return autostartStarts(systemEntry());
}

QString XdgAutostart::setEnabled(bool enabled) {
    if (enabled) {
        return write(false);
    }
    if (autostartStarts(systemEntry())) {
        return write(true);
    }
    QFile file(userEntryPath());
    if (file.exists() && !file.remove()) {
        return QStringLiteral("Quorel can't remove %1: %2.")
            .arg(QDir::toNativeSeparators(userEntryPath()), file.errorString());
    }
    return {};
}

QString XdgAutostart::write(bool hidden) const {
    const auto failed = [this](const QString& why) {
        return QStringLiteral("Quorel can't write %1: %2.")
            .arg(QDir::toNativeSeparators(userEntryPath()), why);
    };
    if (!QDir().mkpath(m_userFolder)) {
        return failed(QStringLiteral("its folder can't be created"));
    }
    QSaveFile file(userEntryPath());
    if (!file.open(QIODevice::WriteOnly)) {
        return failed(file.errorString());
    }
    file.write(autostartEntry(m_command, hidden));
    if (!file.commit()) {
        return failed(file.errorString());
    }
    return {};
}

}  // namespace Quorel
