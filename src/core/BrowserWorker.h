// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QObject>
#include <QThread>

#include <functional>

namespace Quorel {

// One serial thread for everything that talks to browsers, so a browser that answers slowly
// never stalls the main thread and two scripts never run at once. Destroying it waits for the
// task in hand (the browser port gives up within seconds) and drops the rest.
class BrowserWorker {
public:
    BrowserWorker();
    ~BrowserWorker();
    BrowserWorker(const BrowserWorker&) = delete;
    BrowserWorker& operator=(const BrowserWorker&) = delete;

    // Runs task on the worker thread, after the tasks before it.
    void submit(std::function<void()> task);
    // The same, and returns once it has run: for the last word before the app goes.
    void submitAndWait(std::function<void()> task);

private:
    QThread m_thread;
    QObject* m_context;  // lives on m_thread; queued tasks run in its name
};

}  // namespace Quorel
