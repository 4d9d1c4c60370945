// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QObject>
#include <QStringList>
#include <QTimer>

#include <sys/types.h>

class QSocketNotifier;

namespace Quorel {

// Strict focus that outlives a kill: while held, a watcher process (quorel-watch) starts us again
// if we are killed and wakes us if we are stopped; we start it again and wake it likewise. Each
// of the two is killed one at a time, the other brings it back. Released, the watcher ends; our
// exit while held (a kill, a quit on a signal) leaves it to start us again.
class StrictWatch : public QObject {
    Q_OBJECT

public:
    // watcher: the watcher program, "" for none (nothing is watched then); restart: the command
    // that starts us again.
    StrictWatch(QString watcher, QStringList restart, QObject* parent = nullptr);
    ~StrictWatch() override;

    // Held while strict focus runs.
    void setHeld(bool held);
    bool isHeld() const { return m_held; }
    // Wakes a stopped watcher; called once a second while held, on a beat the app has anyway.
    void wakeWatcherIfStopped();
    // The watcher's process, 0 while none runs.
    pid_t watcherPid() const { return m_pid; }

private:
    void startWatcher();
    void letWatcherGo();
    void onWatcherGone();

    QString m_watcher;
    QStringList m_restart;
    bool m_held = false;
    pid_t m_pid = 0;
    int m_toWatcher =
        -1;  // our end of its standard input: "end" releases it, closing it says we are gone
    int m_watcherHandle = -1;
    QSocketNotifier* m_gone = nullptr;
    QTimer m_again;  // a watcher killed is started again after a moment, not in a tight loop
};

}  // namespace Quorel
