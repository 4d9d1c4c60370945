// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "StrictWatch.h"

#include <QCoreApplication>
#include <QFile>
#include <QSocketNotifier>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <utility>
#include <vector>

extern char** environ;

namespace Quorel {

namespace {

constexpr int watcherRestartDelayMs = 500;

bool isStopped(pid_t pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) {
        return false;
    }
    // "PID (NAME) STATE ...": the name may hold anything, so the state follows the last ')'.
    const QByteArray text = stat.read(512);
    const qsizetype close = text.lastIndexOf(')');
    return close >= 0 && close + 2 < text.size() &&
           (text.at(close + 2) == 'T' || text.at(close + 2) == 't');
}

}  // namespace

StrictWatch::StrictWatch(QString watcher, QStringList restart, QObject* parent)
    : QObject(parent), m_watcher(std::move(watcher)), m_restart(std::move(restart)) {
    m_again.setSingleShot(true);
    m_again.setInterval(watcherRestartDelayMs);
    connect(&m_again, &QTimer::timeout, this, &StrictWatch::startWatcher);
}

StrictWatch::~StrictWatch() {
    // Our exit while held is the watcher's cue: its socket closes with us and it starts us again.
    if (m_gone) {
        m_gone->setEnabled(false);
    }
    if (m_watcherHandle >= 0) {
        ::close(m_watcherHandle);
    }
}

void StrictWatch::setHeld(bool held) {
    if (held == m_held) {
        return;
    }
    m_held = held;
    if (held) {
        startWatcher();
    } else {
        m_again.stop();
        letWatcherGo();
    }
}

void StrictWatch::wakeWatcherIfStopped() {
    if (m_pid > 0 && isStopped(m_pid)) {
        ::kill(m_pid, SIGCONT);
    }
}

void StrictWatch::startWatcher() {
    if (!m_held || m_pid > 0 || m_watcher.isEmpty()) {
        return;
    }
    // A socket rather than a pipe: a watcher gone before our "end" must not bring SIGPIPE.
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        qWarning("Quorel: cannot start the strict focus watcher (no socket)");
        return;
    }
    std::vector<QByteArray> words{QFile::encodeName(m_watcher),
                                  QByteArray::number(QCoreApplication::applicationPid())};
    for (const QString& word : std::as_const(m_restart)) {
        words.push_back(word.toLocal8Bit());
    }
    std::vector<char*> argv;
    for (QByteArray& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[0], STDIN_FILENO);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // Our blocked and handled signals are not the watcher's.
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = 0;
    const int failed = posix_spawn(&pid, argv.front(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(ends[0]);
    if (failed != 0) {
        ::close(ends[1]);
        qWarning("Quorel: cannot start the strict focus watcher %s", qPrintable(m_watcher));
        return;
    }
    m_pid = pid;
    m_toWatcher = ends[1];
    m_watcherHandle = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (m_watcherHandle >= 0) {
        ::fcntl(m_watcherHandle, F_SETFD, FD_CLOEXEC);
        m_gone = new QSocketNotifier(m_watcherHandle, QSocketNotifier::Read, this);
        connect(m_gone, &QSocketNotifier::activated, this, &StrictWatch::onWatcherGone);
    }
}

void StrictWatch::letWatcherGo() {
    if (m_toWatcher >= 0) {
        static constexpr char end[] = "end\n";
        [[maybe_unused]] const ssize_t sent =
            ::send(m_toWatcher, end, sizeof end - 1, MSG_NOSIGNAL | MSG_DONTWAIT);
        ::close(m_toWatcher);
        m_toWatcher = -1;
    }
}

void StrictWatch::onWatcherGone() {
    delete m_gone;
    m_gone = nullptr;
    ::close(m_watcherHandle);
    m_watcherHandle = -1;
    ::waitpid(m_pid, nullptr, WNOHANG);
    m_pid = 0;
    if (m_toWatcher >= 0) {
        ::close(m_toWatcher);
        m_toWatcher = -1;
    }
    if (m_held) {
        m_again.start();
    }
}

}  // namespace Quorel
