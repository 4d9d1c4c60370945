// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "BridgeProtocol.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace Quorel;

namespace {

const QByteArray statusHead =
    "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: ";
const QByteArray pageHead =
    "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: ";

// Splits a response at its blank line; fails the test unless the head starts as expected and
// Content-Length is the body's size in bytes.
QByteArray bodyOf(const QByteArray& response, const QByteArray& head) {
    const qsizetype split = response.indexOf("\r\n\r\n");
    const QByteArray headers = response.first(split + 2);
    const QByteArray body = response.sliced(split + 4);
    if (!headers.startsWith(head)) {
        qWarning("unexpected head: %s", headers.constData());
        return {};
    }
    const QByteArray expectedTail =
        QByteArray::number(body.size()) + QByteArrayLiteral("\r\nConnection: close\r\n");
    if (headers.sliced(head.size()) != expectedTail) {
        qWarning("length or tail wrong: %s for %lld bytes", headers.constData(),
                 static_cast<long long>(body.size()));
        return {};
    }
    return body;
}

BridgeStatusPayload samplePayload(QStringList sites) {
    BridgeStatusPayload p;
    p.isRunning = true;
    p.strictMode = true;
    p.remainingSeconds = 1499;
    p.blockInstagramReels = true;
    p.blockedSites = std::move(sites);
    return p;
}

}  // namespace

class TestBridgeProtocol : public QObject {
    Q_OBJECT

private slots:
    void requestIsJudgedOnItsFirstLine_data() {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("blockedPage");

        const auto row = [](const char* name, const QByteArray& request, const char* path,
                            bool page) {
            QTest::newRow(name) << request << QString::fromUtf8(path) << page;
        };
        row("get root", "GET / HTTP/1.1\r\nHost: localhost\r\n\r\n", "/", false);
        row("blocked page", "GET /blocked?site=example.com HTTP/1.1\r\n\r\n",
            "/blocked?site=example.com", true);
        row("prefix only", "GET /blockedanything HTTP/1.1\r\n\r\n", "/blockedanything", true);
        row("short of the prefix", "GET /blocke HTTP/1.1\r\n\r\n", "/blocke", false);
        row("options", "OPTIONS / HTTP/1.1\r\n\r\n", "/", false);
        row("post", "POST /status HTTP/1.1\r\nContent-Length: 3\r\n\r\nabc", "/status", false);
        row("method ignored", "BREW /blocked HTTP/1.1\r\n\r\n", "/blocked", true);
        row("one word", "HELLO\r\n\r\n", "/", false);
        row("no line end", "GET /blocked", "/blocked", true);
        row("double blank", "GET  /blocked HTTP/1.1\r\n", "", false);
        row("tab is no blank", "GET\t/blocked HTTP/1.1\r\n", "HTTP/1.1", false);
        row("path on the second line", "GET\r\n/blocked x\r\n", "/", false);
        row("bare newline is no line end", "GET\n/blocked x", "x", false);
        row("empty", "", "/", false);
        row("invalid utf-8", "GET /blocked\xff HTTP/1.1\r\n", "/", false);
        row("non-ascii path",
            "GET /blocked?site=b\xc3\xbc"
            "cher.de HTTP/1.1\r\n",
            "/blocked?site=b\xc3\xbc"
            "cher.de",
            true);
        QTest::newRow("nul byte") << QByteArray("GET /blocked\0x HTTP/1.1", 23)
                                  << QString::fromUtf8(QByteArray("/blocked\0x", 10)) << true;

        // Only the first 4096 bytes count.
        row("path past the limit", QByteArray(4096, 'A') + " /blocked HTTP/1.1\r\n", "/", false);
        row("long path cut at the limit", "GET /blocked?site=" + QByteArray(5000, 'a'),
            qPrintable(QStringLiteral("/blocked?site=") + QString(4096 - 18, u'a')), true);
        // "ü" straddles the limit: what was read is not UTF-8.
        row("character cut by the limit", "GET /blocked" + QByteArray(4083, 'a') + "\xc3\xbc", "/",
            false);
    }
    void requestIsJudgedOnItsFirstLine() {
        QFETCH(QByteArray, request);
        QFETCH(QString, path);
        QFETCH(bool, blockedPage);
        QCOMPARE(bridgeRequestPath(request), path);
        QCOMPARE(bridgeRoute(bridgeRequestPath(request)) == BridgeRoute::BlockedPage, blockedPage);
    }

    void statusResponseBytesAreExact() {
        const QByteArray expected =
            statusHead +
            "179\r\nConnection: close\r\n\r\n"
            R"({"isRunning":true,"isBreak":false,"strictMode":true,"remainingSeconds":1499,)"
            R"("blockYouTubeShorts":false,"blockInstagramReels":true,"blockAdultSites":false,)"
            R"("blockedSites":["a.com"]})";
        QCOMPARE(bridgeStatusResponse(samplePayload({QStringLiteral("a.com")})), expected);
    }

    void statusLengthCountsBytes_data() {
        QTest::addColumn<QStringList>("sites");
        QTest::newRow("none") << QStringList();
        QTest::newRow("ascii") << QStringList{QStringLiteral("reddit.com"),
                                              QStringLiteral("news.ycombinator.com")};
        QTest::newRow("non-ascii") << QStringList{
            QStringLiteral("bücher.de"), QStringLiteral("例え.テスト"), QStringLiteral("😀.ws")};
        QTest::newRow("to escape") << QStringList{QStringLiteral("a\"b\\c\nd")};
    }
    void statusLengthCountsBytes() {
        QFETCH(QStringList, sites);
        const BridgeStatusPayload payload = samplePayload(sites);
        const QByteArray body = bodyOf(bridgeStatusResponse(payload), statusHead);
        QJsonParseError error{};
        const QJsonObject json = QJsonDocument::fromJson(body, &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QVERIFY(!body.contains('\n'));
        QCOMPARE(json.size(), 8);
        QCOMPARE(json.value(QStringLiteral("remainingSeconds")).toInteger(), 1499);
        QCOMPARE(json.value(QStringLiteral("isRunning")).toBool(), true);
        QCOMPARE(json.value(QStringLiteral("blockedSites")).toVariant().toStringList(), sites);
    }

    void blockedPageNamesTheSiteSafely_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("line");
        const QString generic = QStringLiteral("This site is blocked while you focus.");
        const auto named = [](const QString& site) -> QString {
            return QStringLiteral("<span class=\"site\">") + site +
                   QStringLiteral("</span> is blocked while you focus.");
        };
        QTest::newRow("plain") << QStringLiteral("/blocked?site=example.com")
                               << named(QStringLiteral("example.com"));
        QTest::newRow("percent-encoded") << QStringLiteral("/blocked?site=b%C3%BCcher.de&x=1")
                                         << named(QStringLiteral("bücher.de"));
        QTest::newRow("punycode shown as written")
            << QStringLiteral("/blocked?site=xn--bcher-kva.de")
            << named(QStringLiteral("bücher.de"));
        QTest::newRow("capitals") << QStringLiteral("/blocked?site=News.Example.COM")
                                  << named(QStringLiteral("news.example.com"));
        // Anything that is not a host name is not repeated at all.
        QTest::newRow("markup encoded")
            << QStringLiteral("/blocked?site=%3Cscript%3E%22%26") << generic;
        QTest::newRow("markup raw") << QStringLiteral("/blocked?site=<b>x</b>") << generic;
        QTest::newRow("a message") << QStringLiteral("/blocked?site=Call%20us%20now") << generic;
        QTest::newRow("an address")
            << QStringLiteral("/blocked?site=https://evil.example/") << generic;
        QTest::newRow("a port") << QStringLiteral("/blocked?site=example.com:80") << generic;
        QTest::newRow("empty label") << QStringLiteral("/blocked?site=a..b") << generic;
        QTest::newRow("absent") << QStringLiteral("/blockedanything") << generic;
        QTest::newRow("empty") << QStringLiteral("/blocked?site=") << generic;
        QTest::newRow("too long") << QStringLiteral("/blocked?site=") + QString(254, u'a')
                                  << generic;
    }
    void blockedPageNamesTheSiteSafely() {
        QFETCH(QString, path);
        QFETCH(QString, line);
        const QByteArray body = bodyOf(bridgeBlockedPageResponse(path), pageHead);
        const QString page = QString::fromUtf8(body);
        QVERIFY2(page.contains(line), qPrintable(page));
        QVERIFY(page.contains(QStringLiteral("<title>Blocked by Quorel</title>")));
        QVERIFY(page.contains(QStringLiteral("script-src 'none'")));
        QVERIFY(!page.contains(QStringLiteral("<script"), Qt::CaseInsensitive));
        QVERIFY(!page.contains(QStringLiteral("{{line}}")));
    }

    // A web page reaching the bridge under its own name (DNS rebinding) never reads the status;
    // only our own extension's origin is let read it across origins.
    void statusOnlyForLoopbackHostsAndExtensions_data() {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("statusLine");
        QTest::addColumn<QByteArray>("allowOrigin");  // empty: no such header
        const auto row = [](const char* name, const QByteArray& headers, const char* status,
                            const char* origin) {
            QTest::newRow(name) << "GET / HTTP/1.1\r\n" + headers + "\r\n"
                                << QByteArray(status) << QByteArray(origin);
        };
        const char* ok = "HTTP/1.1 200 OK";
        const char* forbidden = "HTTP/1.1 403 Forbidden";
        row("127.0.0.1", "Host: 127.0.0.1:49152\r\n", ok, "");
        row("::1", "Host: [::1]:49152\r\n", ok, "");
        row("localhost any case", "host: LocalHost:49152\r\n", ok, "");
        row("no port", "Host: localhost\r\n", ok, "");
        row("no Host at all", "Accept: */*\r\n", ok, "");
        row("rebound name", "Host: evil.example:49152\r\n", forbidden, "");
        row("another port", "Host: 127.0.0.1:8080\r\n", forbidden, "");
        row("loopback as a suffix", "Host: localhost.evil.example:49152\r\n", forbidden, "");
        row("Host in the body only", "\r\nHost: 127.0.0.1:49152\r\n", ok, "");
        row("Chromium extension",
            "Host: 127.0.0.1:49152\r\nOrigin: "
            "chrome-extension://eiadijnobmbadaafjdiacpbbdmdjhomp\r\n",
            ok, "chrome-extension://eiadijnobmbadaafjdiacpbbdmdjhomp");
        row("another Chromium extension",
            "Origin: chrome-extension://aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\r\n", ok, "");
        row("ours with a path", "Origin: chrome-extension://eiadijnobmbadaafjdiacpbbdmdjhomp/\r\n",
            ok, "");
        row("ours in capitals", "Origin: chrome-extension://MIMHJEDHKEDBFHJOAABCKDMDNCPAAIIJ\r\n",
            ok, "");
        // A per-profile UUID that could be any extension's.
        row("Firefox extension", "Origin: moz-extension://0c1f2a3b-4d5e-6f70-8192-a3b4c5d6e7f8\r\n",
            ok, "");
        row("web page", "Host: 127.0.0.1:49152\r\nOrigin: https://evil.example\r\n", ok, "");
        row("extension look-alike", "Origin: chrome-extension://x/../evil\r\n", ok, "");
        row("null origin", "Origin: null\r\n", ok, "");
    }
    void statusOnlyForLoopbackHostsAndExtensions() {
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, statusLine);
        QFETCH(QByteArray, allowOrigin);
        const QByteArray response = bridgeResponse(request, 49152, [] {
            return encodeBridgeStatus(samplePayload({QStringLiteral("a.com")}));
        });
        QVERIFY2(response.startsWith(QByteArray(statusLine + "\r\n")), response.constData());
        QCOMPARE(response.contains("a.com"), statusLine.endsWith("OK"));
        const QByteArray header = "\r\nAccess-Control-Allow-Origin: ";
        QCOMPARE(response.contains(header), !allowOrigin.isEmpty());
        QVERIFY(!response.contains("Access-Control-Allow-Origin: *"));
        if (!allowOrigin.isEmpty()) {
            QVERIFY(response.contains(QByteArray(header + allowOrigin + "\r\nVary: Origin\r\n")));
        }
        // The blocked page does not depend on the Host: it carries nothing to read.
        const QByteArray page = "GET /blocked " + request.sliced(6);
        QVERIFY(bridgeResponse(page, 49152, {}).contains("200 OK"));
    }

    void missingPageFallsBackToPlainText() {
        QCOMPARE(bridgeBlockedPageResponse(u"/blocked?site=a.com", {}),
                 pageHead + "17\r\nConnection: close\r\n\r\nBlocked by Quorel");
    }
};

QTEST_GUILESS_MAIN(TestBridgeProtocol)
#include "tst_bridgeprotocol.moc"
