// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Where this user's browsers of one family serve the DevTools protocol.
//
// A browser started with --remote-debugging-port=N listens on 127.0.0.1:N; with N = 0, or when
// debugging was switched on at run time, it writes the port it took to DevToolsActivePort in its
// profile folder. The command lines come from /proc.
//
// The guard asks every second, and reading every command line costs some 10 to 30 microseconds a
// process, nearly all of it in the kernel. So a process is read once, when it first shows up, and
// known by its process id together with the inode number /proc gives its folder: procfs numbers
// each new inode afresh, so a recycled process id comes with a new number and is read again.
// The port files are read on every scan: a browser writes its file only once it listens, and a
// file left behind by a crash names a port nobody serves, which the caller sees as refused.

#include "BrowserFamily.h"

#include <QHash>
#include <QList>
#include <QString>

namespace Quorel {

class CdpEndpoints {
public:
    // procRoot stands for /proc; configHome for ~/.config (XDG_CONFIG_HOME when set) when empty.
    explicit CdpEndpoints(QString procRoot = QStringLiteral("/proc"), QString configHome = {});

    // Loopback ports of this family's debugging endpoints, each once, of the browser started last
    // first: the port its command line names, then the one in its profile's port file. Firefox is
    // never reached this way. With a pid, only that process's.
    QList<quint16> ports(BrowserFamily family, qint64 pid = 0);

private:
    struct Process {
        BrowserFamily family = BrowserFamily::Unknown;  // Unknown: not a browser's main process
        quint16 port = 0;                               // from the command line; 0: none named
        QString profile;                                // --user-data-dir; empty: the default
        quint64 started = 0;                            // clock ticks after boot
        quint64 inode = 0;                              // of its /proc folder
    };

    void refresh();
    Process readProcess(const char* pid) const;
    QString defaultProfile(BrowserFamily family) const;

    QString m_procRoot;
    QString m_configHome;
    QHash<int, Process> m_processes;
};

}  // namespace Quorel
