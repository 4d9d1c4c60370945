// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Why this exists: X11 knows windows, not applications. A window only carries WM_CLASS and a
// process id, and neither reads like the name the user knows ("chromium-browser (~/.config/x)",
// "Google-chrome"). The desktop entries installed with each application hold that name, but
// nothing links a window to its entry for certain: StartupWMClass is optional and often missing,
// desktop file ids follow no rule, and Exec names a launcher rather than the program that runs.
// So the name is found by a chain of guesses, most reliable first, and falls back to the class.
//
// An xterm reads "XTerm": Debian's debian-xterm.desktop says Name=XTerm and StartupWMClass=XTerm,
// which the first rule matches against xterm's class "XTerm" (uxterm runs as class "UXTerm" and
// reads "UXTerm" through debian-uxterm.desktop). Without that entry the bare class gives the
// same name. An xterm started with another -class has no entry of its own and is named through
// its executable, so it still reads "XTerm".

#include <QElapsedTimer>
#include <QList>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>

namespace Quorel {

// The [Desktop Entry] group of one file, reduced to what naming and listing need.
struct DesktopEntry {
    QString id;  // desktop file id, e.g. "kde-konsole.desktop" for kde/konsole.desktop
    QString name;
    QStringList otherNames;  // Name in other locales, and of the entries of this id it masks
    QString startupWmClass;
    QString program;  // first word of Exec, after an "env VAR=..." prefix
    QString exec;     // the whole Exec value, unescaped
    QString tryExec;
    bool isApplication = false;
    bool noDisplay = false;
    bool hidden = false;
    bool terminal = false;
    bool webBrowser = false;       // Categories names WebBrowser
    bool autostartEnabled = true;  // X-GNOME-Autostart-enabled, which GNOME's settings write
};

// What a window tells about its application.
struct WindowIdentity {
    QString wmClass;     // WM_CLASS class, e.g. "XTerm"
    QString wmInstance;  // WM_CLASS instance, e.g. "xterm"
    QString executable;  // target of /proc/PID/exe; empty when unknown
};

struct ResolvedApplication {
    QString name;
    QString desktopId;       // empty when no entry matched and the name is the bare class
    QString executable;      // the window's, as given; the browser guard tells programs by it
    QStringList otherNames;  // the entry's names in other locales and under other folders
    bool webBrowser = false;
};

// Parses one desktop file. nullopt when it is not a valid entry. A file that only says
// Hidden=true is valid: it exists to hide the entry of the same id in later folders.
std::optional<DesktopEntry> parseDesktopEntry(QStringView contents, const QString& id,
                                              const QStringList& locales);

// "de_AT.UTF-8@euro" -> de_AT@euro, de_AT, de@euro, de: the order Name[xx] keys are tried.
QStringList localeCandidates(const QString& locale);

// The message locale from LC_ALL, LC_MESSAGES, LANG (the first one set).
QString messagesLocale(const QProcessEnvironment& env);

// $XDG_DATA_HOME/applications, then each $XDG_DATA_DIRS/applications: earlier folders win.
QStringList applicationFolders(const QProcessEnvironment& env);

// The class or app id an Exec line gives its window ("foot --app-id=notes", "--class X");
// empty when it gives none.
QString classOfExec(QStringView exec);

// The program an Exec line starts: "env A=1 /usr/bin/foo --x %U" -> "/usr/bin/foo".
QString programOfExec(QStringView exec);

// Every entry of the folders (with subfolders), the first file of each id winning. Hidden
// entries and those that are not applications are dropped after they have masked later ones.
QList<DesktopEntry> scanApplicationFolders(const QStringList& folders, const QStringList& locales);

// Whether menus list the entry: not NoDisplay, and the TryExec program, when named, installed.
bool isShownInMenus(const DesktopEntry& entry);

// Matches a window against entries: StartupWMClass = class (any case); else the id without
// ".desktop" = the class or the instance (any case); else the running executable = Exec's or
// TryExec's program; else the bare class; else the program's file name. nullopt when the
// window gives nothing to go on. The first match names it; every other entry that matches by
// any rule adds its names to otherNames.
std::optional<ResolvedApplication> resolveApplication(const QList<DesktopEntry>& entries,
                                                      const WindowIdentity& window);

// The installed desktop entries, read lazily and re-read when the folders change.
//
// Changes are noticed by comparing the modification times of the folders and their subfolders,
// at most once per recheck interval and only when a lookup asks. That is a handful of stat()
// calls instead of an inotify watch per folder, and it also notices a folder that did not exist
// yet (~/.local/share/applications on a fresh account). A file rewritten in place without a
// rename does not change its folder and is picked up with the next change in that folder.
// Folders changed within a second of a scan are scanned again at the next check, since file
// times are too coarse to tell two changes a few milliseconds apart.
//
// Not thread-safe: used from the main thread.
class DesktopEntries {
public:
    DesktopEntries();  // folders and locale from the environment
    DesktopEntries(QStringList folders, QStringList locales);

    // The name and entry of the application a window belongs to (see resolveApplication).
    std::optional<ResolvedApplication> resolve(const QString& wmClass, const QString& wmInstance,
                                               qint64 pid);
    std::optional<ResolvedApplication> resolve(const WindowIdentity& window);

    // Every visible and hidden-from-menus application entry, earlier folders first.
    const QList<DesktopEntry>& entries();

    void setRecheckInterval(std::chrono::milliseconds interval) { m_recheckInterval = interval; }

private:
    struct FolderStamp {
        QString path;
        qint64 modifiedMs = -1;  // -1 when the folder does not exist
        bool operator==(const FolderStamp&) const = default;
    };

    void refreshIfChanged();
    QList<FolderStamp> currentStamps() const;

    QStringList m_folders;
    QStringList m_locales;
    QList<DesktopEntry> m_entries;
    QList<FolderStamp> m_stamps;  // the folders and all their subfolders at the last scan
    qint64 m_scannedAtMs = 0;
    bool m_loaded = false;
    QElapsedTimer m_sinceCheck;
    std::chrono::milliseconds m_recheckInterval{5000};
};

}  // namespace Quorel
