// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "browser/BrowserLinkProtocol.h"
#include "browser/HostManifests.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <cstdint>
#include <cstring>

using namespace Quorel;

namespace {

QByteArray header(std::uint32_t length) {
    QByteArray bytes(sizeof length, Qt::Uninitialized);
    std::memcpy(bytes.data(), &length, sizeof length);
    return bytes;
}

QJsonObject readJson(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).object()
                                          : QJsonObject();
}

}  // namespace

class TestBrowserLinkProtocol : public QObject {
    Q_OBJECT
private slots:
    void framesSurviveAnySplit() {
        const QByteArray stream =
            encodeFrame("{\"a\":1}") + encodeFrame("{\"type\":\"front\"}") + encodeFrame("x");
        // Every cut point, fed byte by byte, and all at once, give the same three frames.
        for (qsizetype cut = 0; cut <= stream.size(); ++cut) {
            FrameDecoder decoder;
            QList<QByteArray> frames;
            for (const QByteArray& chunk : {stream.left(cut), stream.mid(cut)}) {
                decoder.append(chunk);
                while (auto frame = decoder.next()) {
                    frames.append(*frame);
                }
            }
            QCOMPARE(frames, (QList<QByteArray>{"{\"a\":1}", "{\"type\":\"front\"}", "x"}));
        }
    }

    // A frame of a length no peer may send is skipped by its length; the stream goes on.
    void badLengthsAreSkipped_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("skipped");
        QTest::addColumn<bool>("nextRead");
        QTest::newRow("zero length") << header(0) << 1 << true;
        QTest::newRow("one past the cap") << header(17) + QByteArray(17, 'x') << 1 << true;
        QTest::newRow("two in a row") << header(20) + QByteArray(20, 'x') + header(0) << 2 << true;
        QTest::newRow("after a good frame")
            << header(2) + "{}" + header(1000) + QByteArray(1000, 'y') << 1 << true;
        // Its length swallows what follows: nothing else is read, and nothing is kept.
        QTest::newRow("all ones") << header(0xFFFFFFFFu) << 1 << false;
    }
    void badLengthsAreSkipped() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, skipped);
        QFETCH(bool, nextRead);
        FrameDecoder decoder(16);
        const QByteArray stream = bytes + encodeFrame("{\"n\":1}");
        for (const char byte : stream) {
            decoder.append(QByteArrayView(&byte, 1));
        }
        QList<QByteArray> frames;
        while (auto frame = decoder.next()) {
            frames.append(*frame);
        }
        QCOMPARE(decoder.skipped(), skipped);
        QCOMPARE(frames.contains("{\"n\":1}"), nextRead);
    }

    void encodeRefusesWhatNoPeerTakes() {
        QVERIFY(encodeFrame("").isEmpty());
        QVERIFY(encodeFrame(QByteArray(maxFrameSize + 1, 'x')).isEmpty());
        QCOMPARE(encodeFrame(QByteArray(maxFrameSize, 'x')).size(), maxFrameSize + 4);
    }

    // Chromium derives the extension id from the manifest's key: the first 32 hex digits of
    // the key's SHA-256, written with the letters a to p.
    void chromiumIdFollowsTheManifestKey() {
        const QJsonObject manifest = readJson(QStringLiteral(QUOREL_EXTENSION_MANIFEST));
        const QByteArray key =
            QByteArray::fromBase64(manifest.value(QLatin1String("key")).toString().toLatin1());
        QVERIFY(!key.isEmpty());
        QByteArray id = QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex().left(32);
        for (char& c : id) {
            c = static_cast<char>('a' + QByteArray(1, c).toInt(nullptr, 16));
        }
        QCOMPARE(QString::fromLatin1(id), QString(chromiumExtensionId));
        QCOMPARE(manifest.value(QLatin1String("browser_specific_settings"))
                     .toObject()
                     .value(QLatin1String("gecko"))
                     .toObject()
                     .value(QLatin1String("id"))
                     .toString(),
                 QString(geckoExtensionId));
    }

    // The extension is plain script: it names the host and the release of the messages itself.
    void theExtensionSpeaksThisRelease() {
        QFile file(QStringLiteral(QUOREL_EXTENSION_SCRIPT));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString script = QString::fromUtf8(file.readAll());
        const QRegularExpression version(QStringLiteral("\\nconst LINK_VERSION = (\\d+);"));
        const QRegularExpression host(QStringLiteral("\\nconst HOST = \"([^\"]+)\";"));
        QCOMPARE(version.match(script).captured(1).toInt(), browserLinkVersion);
        QCOMPARE(host.match(script).captured(1), QString(browserHostName));
    }

    void manifestsForTheBrowsersFound() {
        QTemporaryDir home;
        const QString config = home.filePath(QStringLiteral(".config"));
        QVERIFY(QDir().mkpath(config + QStringLiteral("/BraveSoftware/Brave-Browser")));
        const HostManifests::Environment environment{
            home.path(), config,
            [](const QString& program) { return program == QLatin1String("firefox-esr"); }};
        const QString host = QStringLiteral("/opt/quorel/bin/quorel-browser-host");

        const QStringList written = HostManifests::install(host, environment);
        const QString brave = config + QStringLiteral(
                                           "/BraveSoftware/Brave-Browser/NativeMessagingHosts/"
                                           "app.quorel.browser_host.json");
        const QString firefox = home.filePath(
            QStringLiteral(".mozilla/native-messaging-hosts/app.quorel.browser_host.json"));
        QCOMPARE(written, (QStringList{brave, firefox}));
        QCOMPARE(readJson(brave).value(QLatin1String("path")).toString(), host);
        QCOMPARE(readJson(brave).value(QLatin1String("allowed_origins")).toArray().first(),
                 QStringLiteral("chrome-extension://%1/").arg(chromiumExtensionId));
        QCOMPARE(readJson(firefox).value(QLatin1String("allowed_extensions")).toArray().first(),
                 QString(geckoExtensionId));
        QVERIFY(!QFileInfo::exists(config + QStringLiteral("/chromium")));

        // Unchanged content is not rewritten (its old time stays); a stale path is.
        const QDateTime old = QDateTime::currentDateTime().addDays(-3);
        {
            QFile file(brave);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(old, QFileDevice::FileModificationTime));
        }
        QCOMPARE(HostManifests::install(host, environment), written);
        QCOMPARE(QFileInfo(brave).lastModified(), old);
        const QString moved = QStringLiteral("/usr/bin/quorel-browser-host");
        QCOMPARE(HostManifests::install(moved, environment), written);
        QCOMPARE(readJson(firefox).value(QLatin1String("path")).toString(), moved);
    }

    void anUnwritableFolderIsSkipped() {
        QTemporaryDir home;
        // A file where the hosts folder should be: logged and skipped, the others still written.
        QVERIFY(QDir().mkpath(home.filePath(QStringLiteral(".config/chromium"))));
        QFile blocker(home.filePath(QStringLiteral(".config/chromium/NativeMessagingHosts")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QVERIFY(QDir().mkpath(home.filePath(QStringLiteral(".mozilla"))));
        const HostManifests::Environment environment{
            home.path(), home.filePath(QStringLiteral(".config")), {}};
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral("cannot write.*chromium")));
        const QStringList written = HostManifests::install(QStringLiteral("/x/host"), environment);
        QCOMPARE(written.size(), 1);
        QVERIFY(written.first().contains(QLatin1String(".mozilla")));
    }
};

QTEST_GUILESS_MAIN(TestBrowserLinkProtocol)
#include "tst_browserlinkprotocol.moc"
