// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "browser/BrowserLinkProtocol.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cstdint>
#include <cstring>

using namespace Quorel;

namespace {

QByteArray frame(const QJsonObject& message) {
    return encodeFrame(QJsonDocument(message).toJson(QJsonDocument::Compact));
}

QList<QJsonObject> decodeAll(FrameDecoder& decoder, const QByteArray& bytes) {
    QList<QJsonObject> out;
    decoder.append(bytes);
    while (auto payload = decoder.next()) {
        out.append(QJsonDocument::fromJson(*payload).object());
    }
    return out;
}

}  // namespace

// quorel-browser-host as a browser runs it: frames on its stdin and stdout, the app on a socket.
class TestBrowserHost : public QObject {
    Q_OBJECT
private slots:
    void init() {
        m_socketPath = m_dir.filePath(QStringLiteral("link"));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QUOREL_BROWSER_SOCKET"), m_socketPath);
        m_host.setProcessEnvironment(environment);
        m_host.setProcessChannelMode(QProcess::SeparateChannels);
        m_host.start(QStringLiteral(QUOREL_BROWSER_HOST),
                     {QStringLiteral("chrome-extension://%1/").arg(chromiumExtensionId)});
        QVERIFY(m_host.waitForStarted());
    }
    void cleanup() {
        m_host.kill();
        m_host.waitForFinished();
        QLocalServer::removeServer(m_socketPath);
    }

    // The app starts after the browser: the host keeps knocking, then says hello and passes on
    // the extension's greeting and the front tab it heard meanwhile, having skipped a message
    // over the cap; the app's navigation reaches the browser; the browser closing its end ends
    // the host.
    void relaysToAnAppThatStartsLater() {
        const QJsonObject greeting{{QStringLiteral("type"), QStringLiteral("extension")},
                                   {QStringLiteral("version"), browserLinkVersion}};
        const QJsonObject front{{QStringLiteral("type"), QStringLiteral("front")},
                                {QStringLiteral("url"), QStringLiteral("https://example.org/")},
                                {QStringLiteral("tabId"), 3}};
        const auto oversized = static_cast<std::uint32_t>(maxFrameSize + 1);
        QByteArray tooLong(sizeof oversized, Qt::Uninitialized);
        std::memcpy(tooLong.data(), &oversized, sizeof oversized);
        m_host.write(frame(greeting) + tooLong + QByteArray(maxFrameSize + 1, 'x') + frame(front));
        QTest::qWait(300);

        QLocalServer app;
        QVERIFY(app.listen(m_socketPath));
        QTRY_VERIFY_WITH_TIMEOUT(app.hasPendingConnections(), 10000);
        QLocalSocket* socket = app.nextPendingConnection();
        FrameDecoder fromHost;
        QList<QJsonObject> received;
        QTRY_VERIFY((received += decodeAll(fromHost, socket->readAll())).size() >= 3);
        QCOMPARE(received[0].value(QLatin1String("type")).toString(), QStringLiteral("hello"));
        QCOMPARE(received[0].value(QLatin1String("family")).toString(), QStringLiteral("chromium"));
        QCOMPARE(received[0].value(QLatin1String("browserPid")).toInteger(),
                 QCoreApplication::applicationPid());
        QCOMPARE(received[1], greeting);
        QCOMPARE(received[2], front);
        QVERIFY(m_host.readAllStandardError().contains("skipped a message"));

        const QJsonObject navigate{{QStringLiteral("type"), QStringLiteral("navigate")},
                                   {QStringLiteral("id"), 1},
                                   {QStringLiteral("tabId"), 3},
                                   {QStringLiteral("url"), QStringLiteral("http://127.0.0.1/")}};
        socket->write(frame(navigate));
        FrameDecoder toBrowser;
        QList<QJsonObject> sent;
        QTRY_VERIFY(!(sent += decodeAll(toBrowser, m_host.readAllStandardOutput())).isEmpty());
        QCOMPARE(sent, QList<QJsonObject>{navigate});

        const QJsonObject done{{QStringLiteral("type"), QStringLiteral("done")},
                               {QStringLiteral("id"), 1},
                               {QStringLiteral("ok"), true}};
        m_host.write(frame(done));
        received.clear();
        QTRY_VERIFY(!(received += decodeAll(fromHost, socket->readAll())).isEmpty());
        QCOMPARE(received.first(), done);

        m_host.closeWriteChannel();
        QVERIFY(m_host.waitForFinished(5000));
        QCOMPARE(m_host.exitStatus(), QProcess::NormalExit);
        QVERIFY2(m_host.exitCode() == 0, m_host.readAllStandardError().constData());
    }

private:
    QTemporaryDir m_dir;
    QString m_socketPath;
    QProcess m_host;
};

QTEST_GUILESS_MAIN(TestBrowserHost)
#include "tst_browserhost.moc"
