#pragma once

// Where this user's browsers of one family serve the DevTools protocol.
//
// A browser started with --remote-debugging-port=N listens on 127.0.0.1:N; with N = 0, or when
// debugging was switched on at run time, it writes the port it took to DevToolsActivePort in its
// profile folder. The command lines come from /proc. The guard asks every second and almost no
// process ever changes, so a process is read once, when it first shows up; after a pause of a few
// seconds the whole cache is dropped, so a recycled process id never inherits an old answer. The
// port files are read on every scan: a browser writes its file only once it listens, and a file
// left behind by a crash names a port nobody serves, which the caller sees as refused.

#include "BrowserFamily.h"

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QString>

namespace Quorel {

class CdpEndpoints {
public:
    // procRoot stands for /proc; configHome for ~/.config (XDG_CONFIG_HOME when set) when empty.
    explicit CdpEndpoints(QString procRoot = QStringLiteral("/proc"), QString configHome = {});

    // Loopback ports of this family's debugging endpoints: ports named on command lines first,
    // then those from the profiles' port files, each once. Firefox is never reached this way.
    QList<quint16> ports(BrowserFamily family);

private:
    struct Process {
        BrowserFamily family = BrowserFamily::Unknown;  // Unknown: not a browser's main process
        quint16 port = 0;                               // from the command line; 0: none named
        QString profile;                                // --user-data-dir; empty: the default
    };

    void refresh();
    Process readProcess(const char* pid) const;
    QString defaultProfile(BrowserFamily family) const;

    QString m_procRoot;
    QString m_configHome;
    QHash<int, Process> m_processes;
    QElapsedTimer m_lastScan;
};

}  // namespace Quorel
