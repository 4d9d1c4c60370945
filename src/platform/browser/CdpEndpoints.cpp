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

// Longer than the guard's one-second beat, shorter than any process id cycle.
constexpr qint64 kForgetAfterMs = 5000;
// Chromium's command lines run to a few kilobytes.
constexpr qint64 kMaxCommandLine = 256 * 1024;

BrowserFamily familyOfProgram(QString path) {
    path.remove(QLatin1String(" (deleted)"));  // the executable was replaced by an upgrade
    const QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    if (name == QLatin1String("chromium") || name.startsWith(QLatin1String("chromium-browser"))) {
        return BrowserFamily::Chromium;
    }
    if (name == QLatin1String("chrome") || name.startsWith(QLatin1String("google-chrome"))) {
        return BrowserFamily::Chrome;
    }
    if (name == QLatin1String("brave") || name.startsWith(QLatin1String("brave-browser"))) {
        return BrowserFamily::Brave;
    }
    if (name == QLatin1String("msedge") || name.startsWith(QLatin1String("microsoft-edge"))) {
        return BrowserFamily::Edge;
    }
    return BrowserFamily::Unknown;
}

// 0 when text is not a port number.
quint16 portFrom(QByteArrayView text) {
    bool ok = false;
    const uint port = text.trimmed().toUInt(&ok);
    return ok && port <= 65535 ? static_cast<quint16>(port) : 0;
}

quint16 portFileValue(const QString& profile) {
    QFile file(profile + QLatin1String("/DevToolsActivePort"));
    if (!file.open(QIODevice::ReadOnly)) {
        return 0;
    }
    return portFrom(file.readLine(32));
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

QList<quint16> CdpEndpoints::ports(BrowserFamily family) {
    if (family == BrowserFamily::Unknown || family == BrowserFamily::Firefox) {
        return {};
    }
    refresh();
    // Newest process first: the one most likely to be the window just brought to the front.
    QList<std::pair<int, const Process*>> browsers;
    for (auto it = m_processes.cbegin(); it != m_processes.cend(); ++it) {
        if (it->family == family) {
            browsers.append({it.key(), &it.value()});
        }
    }
    std::sort(browsers.begin(), browsers.end(),
              [](const auto& a, const auto& b) { return a.first > b.first; });

    QList<quint16> ports;
    QStringList profiles;
    for (const auto& [pid, process] : std::as_const(browsers)) {
        if (process->port != 0 && !ports.contains(process->port)) {
            ports.append(process->port);
        }
        const QString profile =
            process->profile.isEmpty() ? defaultProfile(family) : process->profile;
        if (!profiles.contains(profile)) {
            profiles.append(profile);
        }
    }
    for (const QString& profile : std::as_const(profiles)) {
        const quint16 port = portFileValue(profile);
        if (port != 0 && !ports.contains(port)) {
            ports.append(port);
        }
    }
    return ports;
}

void CdpEndpoints::refresh() {
    if (!m_lastScan.isValid() || m_lastScan.elapsed() > kForgetAfterMs) {
        m_processes.clear();
    }
    m_lastScan.start();

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
        current.insert(pid, known != m_processes.cend() ? *known : readProcess(entry->d_name));
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
    QFile file(folder + QLatin1String("/cmdline"));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray commandLine = file.read(kMaxCommandLine);
    // Renderers, the GPU process and the zygote share the program but serve nothing; the zygote
    // rewrites its command line into one string, hence the search over the whole line.
    if (commandLine.isEmpty() || commandLine.contains("--type=")) {
        return {};
    }
    const QList<QByteArray> args = commandLine.split('\0');

    Process process;
    process.family = familyOfProgram(QFile::decodeName(args.first()));
    if (process.family == BrowserFamily::Unknown) {
        process.family = familyOfProgram(QFile::symLinkTarget(folder + QLatin1String("/exe")));
    }
    if (process.family == BrowserFamily::Unknown) {
        return {};
    }
    for (const QByteArray& arg : args) {
        if (arg.startsWith("--remote-debugging-port=")) {
            process.port = portFrom(QByteArrayView(arg).sliced(24));
        } else if (arg.startsWith("--user-data-dir=") && arg.size() > 16) {
            process.profile = QFile::decodeName(arg.sliced(16));
            if (QDir::isRelativePath(process.profile)) {
                const QString cwd = QFile::symLinkTarget(folder + QLatin1String("/cwd"));
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
        case BrowserFamily::Firefox:
        case BrowserFamily::Unknown:
            break;
    }
    return {};
}

}  // namespace Quorel
