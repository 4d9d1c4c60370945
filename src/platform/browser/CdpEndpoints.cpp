// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "CdpEndpoints.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <utility>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Quorel {

namespace {

// Chromium's command lines run to a few kilobytes.
constexpr qsizetype kMaxCommandLine = 256 * 1024;

// Only the Chromium family serves the DevTools protocol on a port.
BrowserFamily familyOfProgram(const QString& path) {
    const BrowserFamily family = browserFamilyOfProgram(path);
    return isGeckoFamily(family) ? BrowserFamily::Unknown : family;
}

// 0 when text is not a port number.
quint16 portFrom(QByteArrayView text) {
    bool ok = false;
    const uint port = text.trimmed().toUInt(&ok);
    return ok && port <= 65535 ? static_cast<quint16>(port) : 0;
}

// In small steps: files in /proc report no size, and one read of the largest size allowed would
// allocate that much for every process.
QByteArray readSmallFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        return {};
    }
    QByteArray data;
    char chunk[4096];
    qint64 got = 0;
    while (data.size() < kMaxCommandLine && (got = file.read(chunk, sizeof chunk)) > 0) {
        data.append(chunk, got);
    }
    return data;
}

quint16 portFileValue(const QString& profile) {
    const QByteArray text = readSmallFile(profile + QLatin1String("/DevToolsActivePort"));
    const qsizetype end = text.indexOf('\n');
    return portFrom(end < 0 ? QByteArrayView(text) : QByteArrayView(text).first(end));
}

// Plain readlink: QFile::symLinkTarget would resolve the whole path, for every process.
QString linkTarget(const QString& link) {
    char target[4096];
    const ssize_t size = ::readlink(QFile::encodeName(link).constData(), target, sizeof target);
    return size > 0 ? QFile::decodeName(QByteArray(target, size)) : QString();
}

// Clock ticks from boot to the process's start (field 22 of stat); 0 when unreadable.
quint64 startTime(const QString& folder) {
    const QByteArray stat = readSmallFile(folder + QLatin1String("/stat"));
    const qsizetype nameEnd = stat.lastIndexOf(')');  // the name may hold spaces and parentheses
    if (nameEnd < 0) {
        return 0;
    }
    const QList<QByteArray> fields = stat.sliced(nameEnd + 1).simplified().split(' ');
    return fields.size() > 19 ? fields.at(19).toULongLong() : 0;
}

int pidFrom(const char* name) {
    int pid = 0;
    for (const char* c = name; *c != '\0'; ++c) {
        if (*c < '0' || *c > '9' || pid > 10'000'000) {
            return 0;
        }
        pid = pid * 10 + (*c - '0');
    }
    return pid;
}

}  // namespace

CdpEndpoints::CdpEndpoints(QString procRoot, QString configHome)
    : m_procRoot(std::move(procRoot)), m_configHome(std::move(configHome)) {
    if (m_configHome.isEmpty()) {
        m_configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    }
    if (m_configHome.isEmpty()) {
        m_configHome = QDir::homePath() + QLatin1String("/.config");
    }
}

QList<quint16> CdpEndpoints::ports(BrowserFamily family, qint64 onlyPid) {
    if (family == BrowserFamily::Unknown || isGeckoFamily(family)) {
        return {};
    }
    refresh();
    // Two instances of one family are rare, and which of them is in front is not known here; the
    // one started last is the better guess. Process ids wrap, so they do not tell.
    QList<std::pair<int, const Process*>> browsers;
    for (auto it = m_processes.cbegin(); it != m_processes.cend(); ++it) {
        if (it->family == family && (onlyPid == 0 || it.key() == onlyPid)) {
            browsers.append({it.key(), &it.value()});
        }
    }
    std::sort(browsers.begin(), browsers.end(), [](const auto& a, const auto& b) {
        return std::pair(a.second->started, a.first) > std::pair(b.second->started, b.first);
    });

    QList<quint16> ports;
    QStringList profiles;
    const auto add = [&ports](quint16 port) {
        if (port != 0 && !ports.contains(port)) {
            ports.append(port);
        }
    };
    for (const auto& [pid, process] : std::as_const(browsers)) {
        add(process->port);
        const QString profile =
            process->profile.isEmpty() ? defaultProfile(family) : process->profile;
        if (!profiles.contains(profile)) {
            profiles.append(profile);
            add(portFileValue(profile));
        }
    }
    return ports;
}

void CdpEndpoints::refresh() {
    DIR* dir = ::opendir(QFile::encodeName(m_procRoot).constData());
    if (dir == nullptr) {
        m_processes.clear();
        return;
    }
    QHash<int, Process> current;
    current.reserve(m_processes.size() + 32);
    while (const dirent* entry = ::readdir(dir)) {
        const int pid = pidFrom(entry->d_name);
        if (pid == 0) {
            continue;
        }
        const auto known = m_processes.constFind(pid);
        if (known != m_processes.cend() && known->inode == entry->d_ino) {
            current.insert(pid, *known);
        } else {
            Process process = readProcess(entry->d_name);
            process.inode = entry->d_ino;
            current.insert(pid, process);
        }
    }
    ::closedir(dir);
    m_processes = std::move(current);
}

CdpEndpoints::Process CdpEndpoints::readProcess(const char* pid) const {
    const QString folder = m_procRoot + QLatin1Char('/') + QLatin1String(pid);
    // Another user's browser is not ours to steer.
    struct stat info {};
    if (::stat(QFile::encodeName(folder).constData(), &info) != 0 || info.st_uid != ::getuid()) {
        return {};
    }
    const QByteArray commandLine = readSmallFile(folder + QLatin1String("/cmdline"));
    // Renderers, the GPU process and the zygote share the program but serve nothing; the zygote
    // rewrites its command line into one string, hence the search over the whole line.
    if (commandLine.isEmpty() || commandLine.contains("--type=")) {
        return {};
    }
    const QList<QByteArray> args = commandLine.split('\0');

    Process process;
    process.family = familyOfProgram(QFile::decodeName(args.first()));
    if (process.family == BrowserFamily::Unknown) {
        process.family = familyOfProgram(linkTarget(folder + QLatin1String("/exe")));
    }
    if (process.family == BrowserFamily::Unknown) {
        return {};
    }
    process.started = startTime(folder);
    for (const QByteArray& arg : args) {
        if (arg.startsWith("--remote-debugging-port=")) {
            process.port = portFrom(QByteArrayView(arg).sliced(24));
        } else if (arg.startsWith("--user-data-dir=") && arg.size() > 16) {
            process.profile = QFile::decodeName(arg.sliced(16));
            if (QDir::isRelativePath(process.profile)) {
                const QString cwd = linkTarget(folder + QLatin1String("/cwd"));
                process.profile = QDir(cwd).absoluteFilePath(process.profile);
            }
        }
    }
    return process;
}

QString CdpEndpoints::defaultProfile(BrowserFamily family) const {
    switch (family) {
        case BrowserFamily::Chromium:
            return m_configHome + QLatin1String("/chromium");
        case BrowserFamily::Chrome:
            return m_configHome + QLatin1String("/google-chrome");
        case BrowserFamily::Brave:
            return m_configHome + QLatin1String("/BraveSoftware/Brave-Browser");
        case BrowserFamily::Edge:
            return m_configHome + QLatin1String("/microsoft-edge");
        case BrowserFamily::Vivaldi:
            return m_configHome + QLatin1String("/vivaldi");
        case BrowserFamily::Opera:
            return m_configHome + QLatin1String("/opera");
        case BrowserFamily::Firefox:
        case BrowserFamily::LibreWolf:
        case BrowserFamily::Unknown:
            break;
    }
    return {};
}

}  // namespace Quorel
