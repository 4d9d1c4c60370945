// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "DesktopEntries.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QStandardPaths>

#include <algorithm>

namespace Quorel {

namespace {

constexpr qint64 maxEntrySize = 1 << 20;  // a desktop file is a few kB; anything bigger is junk
constexpr int maxFolderDepth = 8;
constexpr qint64 unsettledMs = 1000;
const QString desktopSuffix = QStringLiteral(".desktop");

// String values may escape \s \n \t \r \\ (the Desktop Entry format).
QString unescape(QStringView value) {
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c != u'\\' || i + 1 == value.size()) {
            out += c;
            continue;
        }
        switch (value[++i].unicode()) {
            case u's':
                out += u' ';
                break;
            case u'n':
                out += u'\n';
                break;
            case u't':
                out += u'\t';
                break;
            case u'r':
                out += u'\r';
                break;
            case u'\\':
                out += u'\\';
                break;
            default:
                out += u'\\';
                out += value[i];
                break;
        }
    }
    return out;
}

bool isTrue(const QString& value) {
    return value == u"true" || value == u"1";  // "1" from the format's first versions
}

QString baseName(QStringView path) {
    return path.mid(path.lastIndexOf(u'/') + 1).toString();
}

// Interpreters and launchers run someone else's program: an entry that starts one tells nothing
// about the windows of another script or jar running in the same interpreter.
bool isInterpreter(const QString& program) {
    static const QRegularExpression pattern(QStringLiteral(
        "^(sh|bash|dash|zsh|env|python[0-9.]*|perl[0-9.]*|ruby[0-9.]*|java|node(js)?|wine(64)?|"
        "mono|gjs|electron[0-9]*)$"));
    return pattern.match(program).hasMatch();
}

// A name the entry is known by besides its own; each once.
void addName(DesktopEntry& entry, const QString& name) {
    if (!name.isEmpty() && name != entry.name && !entry.otherNames.contains(name)) {
        entry.otherNames.append(name);
    }
}

QStringView idStem(const QString& id) {
    QStringView stem(id);
    return stem.endsWith(desktopSuffix) ? stem.chopped(desktopSuffix.size()) : stem;
}

// The first entry that matches, preferring one that menus show: a NoDisplay entry (a URL
// handler, a settings panel) may share a program or class with the real application.
template <typename Predicate>
const DesktopEntry* pick(const QList<DesktopEntry>& entries, Predicate matches) {
    const DesktopEntry* hiddenFromMenus = nullptr;
    for (const DesktopEntry& entry : entries) {
        if (!matches(entry)) {
            continue;
        }
        if (!entry.noDisplay) {
            return &entry;
        }
        if (!hiddenFromMenus) {
            hiddenFromMenus = &entry;
        }
    }
    return hiddenFromMenus;
}

// The ids seen so far, each with its place in the list (-1 when the first file of the id
// was hidden or no application).
using SeenIds = QHash<QString, qsizetype>;

void scanFolder(const QString& folder, const QString& idPrefix, int depth,
                const QStringList& locales, SeenIds& seenIds, QList<DesktopEntry>& out) {
    const QDir dir(folder);
    const QFileInfoList files =
        dir.entryInfoList({QStringLiteral("*.desktop")}, QDir::Files | QDir::Readable, QDir::Name);
    for (const QFileInfo& info : files) {
        const QString id = idPrefix + info.fileName();
        if (info.size() > maxEntrySize) {
            continue;
        }
        QFile file(info.filePath());
        if (!file.open(QIODevice::ReadOnly)) {
            continue;
        }
        const QString contents = QString::fromUtf8(file.read(maxEntrySize));
        std::optional<DesktopEntry> entry = parseDesktopEntry(contents, id, locales);
        if (!entry) {
            continue;  // an unreadable file masks nothing
        }
        // A user's entry that renames an application masks the system's: the application is
        // still known by the system's names.
        if (const auto seen = seenIds.constFind(id); seen != seenIds.cend()) {
            if (*seen >= 0 && !entry->hidden) {
                DesktopEntry& winner = out[*seen];
                for (const QString& name : QStringList{entry->name} + entry->otherNames) {
                    addName(winner, name);
                }
            }
            continue;
        }
        const bool listed = entry->isApplication && !entry->hidden;
        seenIds.insert(id, listed ? out.size() : -1);
        if (listed) {
            out.append(std::move(*entry));
        }
    }
    if (depth >= maxFolderDepth) {
        return;
    }
    // Symlinked folders are not followed: a loop would never end.
    const QStringList subfolders =
        dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks, QDir::Name);
    for (const QString& sub : subfolders) {
        scanFolder(dir.filePath(sub), idPrefix + sub + u'-', depth + 1, locales, seenIds, out);
    }
}

}  // namespace

std::optional<DesktopEntry> parseDesktopEntry(QStringView contents, const QString& id,
                                              const QStringList& locales) {
    bool inMainGroup = false;
    bool sawMainGroup = false;
    bool sawAnyGroup = false;
    QHash<QString, QString> values;          // key -> raw value; the first one wins
    QHash<QString, QString> localisedNames;  // locale -> raw value

    for (QStringView line : contents.split(u'\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u'#')) {
            continue;
        }
        if (line.startsWith(u'[')) {
            if (!line.endsWith(u']')) {
                return std::nullopt;
            }
            if (sawMainGroup) {
                break;  // only [Desktop Entry] matters, and it is read
            }
            sawAnyGroup = true;
            inMainGroup = line.sliced(1, line.size() - 2) == u"Desktop Entry";
            sawMainGroup = inMainGroup;
            continue;
        }
        if (!sawAnyGroup) {
            return std::nullopt;  // keys before any group: not a desktop file
        }
        if (!inMainGroup) {
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (equals <= 0) {
            return std::nullopt;
        }
        const QStringView key = line.first(equals).trimmed();
        const QString value = line.sliced(equals + 1).trimmed().toString();
        const qsizetype bracket = key.indexOf(u'[');
        if (bracket > 0 && key.endsWith(u']')) {
            if (key.first(bracket) == u"Name") {
                const QString locale = key.sliced(bracket + 1).chopped(1).toString();
                if (!localisedNames.contains(locale)) {
                    localisedNames.insert(locale, value);
                }
            }
            continue;
        }
        if (!values.contains(key.toString())) {
            values.insert(key.toString(), value);
        }
    }
    if (!sawMainGroup) {
        return std::nullopt;
    }

    DesktopEntry entry;
    entry.id = id;
    entry.hidden = isTrue(values.value(QStringLiteral("Hidden")));
    if (entry.hidden) {
        return entry;
    }
    entry.isApplication = values.value(QStringLiteral("Type")) == u"Application";
    QString name = values.value(QStringLiteral("Name"));
    for (const QString& locale : locales) {
        if (const auto it = localisedNames.constFind(locale); it != localisedNames.cend()) {
            name = *it;
            break;
        }
    }
    entry.name = unescape(name);
    if (entry.name.isEmpty() || !values.contains(QStringLiteral("Type"))) {
        return std::nullopt;  // both are required
    }
    // In the order of the locales' names, so that a scan reads the same each time.
    QStringList tags = localisedNames.keys();
    tags.sort();
    addName(entry, unescape(values.value(QStringLiteral("Name"))));
    for (const QString& tag : std::as_const(tags)) {
        addName(entry, unescape(localisedNames.value(tag)));
    }
    entry.startupWmClass = unescape(values.value(QStringLiteral("StartupWMClass")));
    entry.exec = unescape(values.value(QStringLiteral("Exec")));
    entry.program = programOfExec(entry.exec);
    entry.tryExec = unescape(values.value(QStringLiteral("TryExec")));
    entry.noDisplay = isTrue(values.value(QStringLiteral("NoDisplay")));
    entry.terminal = isTrue(values.value(QStringLiteral("Terminal")));
    entry.webBrowser = values.value(QStringLiteral("Categories"))
                           .split(QLatin1Char(';'))
                           .contains(QStringLiteral("WebBrowser"));
    entry.autostartEnabled = values.value(QStringLiteral("X-GNOME-Autostart-enabled")) != u"false";
    return entry;
}

QStringList localeCandidates(const QString& locale) {
    // lang_COUNTRY.ENCODING@MODIFIER; the encoding plays no part in matching
    QString lang = locale;
    QString modifier;
    if (const qsizetype at = lang.indexOf(u'@'); at >= 0) {
        modifier = lang.sliced(at + 1);
        lang.truncate(at);
    }
    if (const qsizetype dot = lang.indexOf(u'.'); dot >= 0) {
        lang.truncate(dot);
    }
    QString country;
    if (const qsizetype underscore = lang.indexOf(u'_'); underscore >= 0) {
        country = lang.sliced(underscore + 1);
        lang.truncate(underscore);
    }
    if (lang.isEmpty() || lang == u"C" || lang == u"POSIX") {
        return {};
    }
    QStringList out;
    if (!country.isEmpty() && !modifier.isEmpty()) {
        out << lang + u'_' + country + u'@' + modifier;
    }
    if (!country.isEmpty()) {
        out << lang + u'_' + country;
    }
    if (!modifier.isEmpty()) {
        out << lang + u'@' + modifier;
    }
    out << lang;
    return out;
}

QString messagesLocale(const QProcessEnvironment& env) {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QString value = env.value(QString::fromLatin1(variable));
        if (!value.isEmpty()) {
            return value;
        }
    }
    return {};
}

QStringList applicationFolders(const QProcessEnvironment& env) {
    // Relative paths in these variables are invalid and ignored.
    QString dataHome = env.value(QStringLiteral("XDG_DATA_HOME"));
    if (!QDir::isAbsolutePath(dataHome)) {
        QString home = env.value(QStringLiteral("HOME"));
        dataHome = (QDir::isAbsolutePath(home) ? home : QDir::homePath()) + u"/.local/share";
    }
    QStringList dataDirs;
    for (const QString& dir : env.value(QStringLiteral("XDG_DATA_DIRS")).split(u':')) {
        if (QDir::isAbsolutePath(dir)) {
            dataDirs << dir;
        }
    }
    if (dataDirs.isEmpty()) {
        dataDirs = {QStringLiteral("/usr/local/share"), QStringLiteral("/usr/share")};
    }
    QStringList folders;
    for (const QString& dir : QStringList{dataHome} + dataDirs) {
        const QString folder = QDir::cleanPath(dir + u"/applications");
        if (!folders.contains(folder)) {
            folders << folder;
        }
    }
    return folders;
}

namespace {
// Words split on spaces; a quoted word keeps its spaces and escapes " ` $ \ with a backslash.
QStringList execWords(QStringView exec) {
    QStringList words;
    QString word;
    bool inWord = false;
    bool quoted = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (quoted) {
            if (c == u'"') {
                quoted = false;
            } else if (c == u'\\' && i + 1 < exec.size()) {
                word += exec[++i];
            } else {
                word += c;
            }
        } else if (c == u'"') {
            quoted = inWord = true;
        } else if (c.isSpace()) {
            if (inWord) {
                words << word;
                word.clear();
                inWord = false;
            }
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) {
        words << word;
    }
    return words;
}
}  // namespace

QString classOfExec(QStringView exec) {
    static const QStringList flags{QStringLiteral("--app-id"), QStringLiteral("--class"),
                                   QStringLiteral("--wm-class"), QStringLiteral("--name")};
    const QStringList words = execWords(exec);
    for (qsizetype i = 1; i < words.size(); ++i) {
        for (const QString& flag : flags) {
            if (words[i] == flag && i + 1 < words.size()) {
                return words[i + 1];
            }
            if (words[i].startsWith(flag + u'=')) {
                return words[i].mid(flag.size() + 1);
            }
        }
    }
    return {};
}

QString programOfExec(QStringView exec) {
    const QStringList words = execWords(exec);
    qsizetype first = 0;
    if (!words.isEmpty() && baseName(words[0]) == u"env") {
        // env [VAR=value...] program
        for (first = 1; first < words.size() && words[first].contains(u'='); ++first) {
        }
    }
    return first < words.size() ? words[first] : QString();
}

QList<DesktopEntry> scanApplicationFolders(const QStringList& folders, const QStringList& locales) {
    SeenIds seenIds;
    QList<DesktopEntry> entries;
    for (const QString& folder : folders) {
        scanFolder(folder, QString(), 0, locales, seenIds, entries);
    }
    return entries;
}

bool isShownInMenus(const DesktopEntry& entry) {
    return !entry.noDisplay &&
           (entry.tryExec.isEmpty() || !QStandardPaths::findExecutable(entry.tryExec).isEmpty());
}

std::optional<ResolvedApplication> resolveApplication(const QList<DesktopEntry>& entries,
                                                      const WindowIdentity& window) {
    const auto byClass = [&window](const DesktopEntry& e) {
        return !window.wmClass.isEmpty() &&
               e.startupWmClass.compare(window.wmClass, Qt::CaseInsensitive) == 0;
    };
    const auto byId = [](const DesktopEntry& e, const QString& key) {
        return !key.isEmpty() && idStem(e.id).compare(key, Qt::CaseInsensitive) == 0;
    };
    // By basename: Exec often names a symlink (/usr/bin/x) to the binary that runs (/usr/lib/x/x).
    QString executable = baseName(window.executable);
    if (executable.endsWith(u" (deleted)")) {  // the binary was replaced by an upgrade
        executable.chop(10);
    }
    const bool byProgramAtAll = !executable.isEmpty() && !isInterpreter(executable);
    const auto byProgram = [&](const DesktopEntry& e) {
        const auto runs = [&](const QString& program) {
            return !program.isEmpty() && baseName(program) == executable;
        };
        // A terminal program's window is the terminal's, never its own; an entry that starts
        // its program under another class ("foot --app-id=notes") describes another window.
        const QString claimed = classOfExec(e.exec);
        return byProgramAtAll && !e.terminal && (runs(e.program) || runs(e.tryExec)) &&
               (claimed.isEmpty() || claimed.compare(window.wmClass, Qt::CaseInsensitive) == 0 ||
                claimed.compare(window.wmInstance, Qt::CaseInsensitive) == 0);
    };

    const DesktopEntry* entry = pick(entries, byClass);
    for (const QString& key : {window.wmClass, window.wmInstance}) {
        if (!entry) {
            entry = pick(entries, [&](const DesktopEntry& e) { return byId(e, key); });
        }
    }
    if (!entry) {
        entry = pick(entries, byProgram);
    }
    if (!entry) {
        if (!window.wmClass.isEmpty()) {
            return ResolvedApplication{window.wmClass, QString(), window.executable, {}, false};
        }
        // A window without a class still runs a program, whose name the block list can take.
        if (!executable.isEmpty()) {
            return ResolvedApplication{executable, QString(), window.executable, {}, false};
        }
        return std::nullopt;
    }
    // Named by the best entry, known by every entry that describes it: a new menu entry of the
    // user's own ("Notes", the same class) does not take away the name a block list holds.
    ResolvedApplication resolved{entry->name, entry->id, window.executable, entry->otherNames,
                                 entry->webBrowser};
    for (const DesktopEntry& other : entries) {
        if (&other == entry || !(byClass(other) || byId(other, window.wmClass) ||
                                 byId(other, window.wmInstance) || byProgram(other))) {
            continue;
        }
        for (const QString& name : QStringList{other.name} + other.otherNames) {
            if (name != resolved.name && !resolved.otherNames.contains(name)) {
                resolved.otherNames.append(name);
            }
        }
    }
    return resolved;
}

DesktopEntries::DesktopEntries()
    : DesktopEntries(applicationFolders(QProcessEnvironment::systemEnvironment()),
                     localeCandidates(messagesLocale(QProcessEnvironment::systemEnvironment()))) {}

DesktopEntries::DesktopEntries(QStringList folders, QStringList locales)
    : m_folders(std::move(folders)), m_locales(std::move(locales)) {}

std::optional<ResolvedApplication> DesktopEntries::resolve(const QString& wmClass,
                                                           const QString& wmInstance, qint64 pid) {
    QString executable;
    if (pid > 0) {
        // Only readable for our own user's processes; otherwise the match goes without it.
        executable = QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(pid));
    }
    return resolve(WindowIdentity{wmClass, wmInstance, executable});
}

std::optional<ResolvedApplication> DesktopEntries::resolve(const WindowIdentity& window) {
    refreshIfChanged();
    return resolveApplication(m_entries, window);
}

const QList<DesktopEntry>& DesktopEntries::entries() {
    refreshIfChanged();
    return m_entries;
}

void DesktopEntries::refreshIfChanged() {
    if (m_loaded && m_sinceCheck.elapsed() < m_recheckInterval.count()) {
        return;
    }
    m_sinceCheck.start();
    // Stamps before the scan: a change during the scan then shows at the next check.
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    QList<FolderStamp> stamps = currentStamps();
    // File times tick coarsely (a few ms): a folder changed shortly before the last scan may
    // have changed again since without a new time. Such a folder is scanned once more.
    const bool settled = std::all_of(m_stamps.cbegin(), m_stamps.cend(), [this](const auto& s) {
        return s.modifiedMs < m_scannedAtMs - unsettledMs;
    });
    if (m_loaded && settled && stamps == m_stamps) {
        return;
    }
    m_entries = scanApplicationFolders(m_folders, m_locales);
    m_stamps = std::move(stamps);
    m_scannedAtMs = now;
    m_loaded = true;
}

QList<DesktopEntries::FolderStamp> DesktopEntries::currentStamps() const {
    QList<FolderStamp> stamps;
    const auto stamp = [&stamps](const QString& path) {
        const QFileInfo info(path);
        stamps.append({path, info.isDir() ? info.lastModified().toMSecsSinceEpoch() : -1});
    };
    for (const QString& folder : m_folders) {
        stamp(folder);
        QDirIterator it(folder, QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            stamp(it.next());
        }
    }
    return stamps;
}

}  // namespace Quorel
