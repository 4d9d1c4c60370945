// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "BrowserLinkProtocol.h"

#include <QByteArray>
#include <QJsonObject>
#include <QLocalSocket>
#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

namespace Quorel {

// Relays native-messaging frames between the browser (our stdin and stdout) and the Quorel app
// (a local socket). The browser keeps us as long as the extension's port is open, so while the
// app is not running we keep knocking, and a Quorel started later is found. Ends the event loop
// when the browser closes stdin; a message over the size cap is skipped.
class BrowserHostRelay : public QObject {
    Q_OBJECT
public:
    BrowserHostRelay(int browserIn, int browserOut, QString socketPath, QJsonObject hello,
                     QObject* parent = nullptr);
    ~BrowserHostRelay() override;

    void start();

private:
    void readBrowser();
    void writeBrowser(const QByteArray& frame);
    void flushBrowser();
    void connectToApp();
    void readApp();
    void sendToApp(const QByteArray& payload);
    void dropApp();

    int m_browserOut;
    QString m_socketPath;
    QJsonObject m_hello;
    QSocketNotifier m_browserReadable;
    QSocketNotifier m_browserWritable;
    QLocalSocket m_app;
    QTimer m_retry;
    FrameDecoder m_fromBrowser;
    FrameDecoder m_fromApp;
    QByteArray m_toBrowser;
    // The extension's greeting and latest front-tab report, for an app that connects after
    // they were sent.
    QByteArray m_lastExtension;
    QByteArray m_lastFront;
};

}  // namespace Quorel
