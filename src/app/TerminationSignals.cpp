// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "TerminationSignals.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <csignal>

namespace Quorel {

namespace {
int s_writeEnd = -1;
constexpr int handledSignals[] = {SIGTERM, SIGINT, SIGHUP};

void onSignal(int) {
    const char byte = 1;
    // Nothing else is safe here; a full pipe already holds a pending quit.
    [[maybe_unused]] const ssize_t written = ::write(s_writeEnd, &byte, 1);
}
}  // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, m_fds) != 0) {
        qWarning("Quorel: cannot watch for termination signals; a logout may lose a few seconds");
        return;
    }
    s_writeEnd = m_fds[0];
    m_notifier = new QSocketNotifier(m_fds[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::drain);
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : handledSignals) {
        ::sigaction(signal, &action, nullptr);
    }
}

TerminationSignals::~TerminationSignals() {
    if (m_notifier == nullptr) {
        return;
    }
    for (const int signal : handledSignals) {
        std::signal(signal, SIG_DFL);
    }
    s_writeEnd = -1;
    ::close(m_fds[0]);
    ::close(m_fds[1]);
}

void TerminationSignals::drain() {
    char bytes[16];
    while (::read(m_fds[1], bytes, sizeof bytes) > 0) {
    }
    emit received();
}

}  // namespace Quorel
