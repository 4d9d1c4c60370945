// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The two DevTools exchanges the guard needs, with one browser listening on a loopback port:
// the list of its pages over HTTP, and Page.navigate over one page's WebSocket.
//
// The list, asked for every second, is one blocking GET on the caller's thread. The WebSocket
// needs a running event loop, and the caller's thread is the engine's browser queue: a loop spun
// there would also run the queue's next tasks in the middle of this one. So Page.navigate runs in
// a local loop on a private thread that runs nothing else, and everything it creates is destroyed
// there before the answer is handed back.

#include <QList>
#include <QString>
#include <QThread>

#include <chrono>
#include <functional>

namespace Quorel {

enum class CdpStatus {
    Ok,
    Unreachable,  // nothing listens on the port
    Failed,       // something answered, but not as a browser would, or not in time
};

struct CdpPage {
    QString url;
    QString socketPath;  // path of the page's WebSocket on the same port
};

struct CdpPageList {
    CdpStatus status = CdpStatus::Failed;
    QList<CdpPage> pages;  // most recently activated first
};

class CdpClient {
public:
    // Each exchange gives up after timeout.
    explicit CdpClient(std::chrono::milliseconds timeout);
    ~CdpClient();
    CdpClient(const CdpClient&) = delete;
    CdpClient& operator=(const CdpClient&) = delete;

    // The pages (tabs) of the browser on 127.0.0.1:port, without workers and extension pages;
    // runs on the calling thread.
    CdpPageList pages(quint16 port);

    // Loads url in page; Ok once the browser confirms the navigation started.
    CdpStatus navigate(quint16 port, const CdpPage& page, const QString& url);

private:
    CdpStatus onThread(std::function<CdpStatus()> task);

    std::chrono::milliseconds m_timeout;
    QThread m_thread;
    QObject* m_context;  // lives on m_thread; exchanges run in its name
    int m_nextCommandId = 0;
};

}  // namespace Quorel
