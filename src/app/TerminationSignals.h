// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QObject>
#include <QSocketNotifier>

namespace Quorel {

// SIGTERM (a logout, a shutdown), SIGINT and SIGHUP, brought to the main thread as a signal,
// so the app quits through its event loop and saves what the last seconds counted instead of
// dying with them. A signal handler may only write to a file descriptor; the notifier reads it.
class TerminationSignals : public QObject {
    Q_OBJECT

public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

signals:
    void received();

private:
    void drain();

    int m_fds[2] = {-1, -1};
    QSocketNotifier* m_notifier = nullptr;
};

}  // namespace Quorel
