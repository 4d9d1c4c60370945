// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Addresses read as Node's URL reads them: another implementation of the same rules, so that a
// reading of ours that differs from a browser's shows up here.

#include "WebAddress.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>

using namespace Quorel;
using namespace Qt::StringLiterals;

namespace {

QStringList oddAddresses() {
    QFile file(QStringLiteral(QUOREL_FIXTURES "/odd-addresses.json"));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QStringList addresses;
    for (const QJsonValue& value : QJsonDocument::fromJson(file.readAll()).array()) {
        addresses.append(value.toString());
    }
    return addresses;
}

QStringList fuzzSeeds() {
    QStringList addresses;
    const QDir seeds(QStringLiteral(QUOREL_URL_SEEDS));
    for (const QString& name : seeds.entryList(QDir::Files)) {
        QFile file(seeds.filePath(name));
        if (file.open(QIODevice::ReadOnly)) {
            addresses.append(QString::fromUtf8(file.readAll()));
        }
    }
    return addresses;
}

// Addresses strung together from the pieces that parsers tend to get wrong.
QStringList strungAddresses(int count) {
    static const QStringList starts = {u"https://"_s,  u"http://"_s, u"https:"_s,  u"HTTPS://"_s,
                                       u"http:\\\\"_s, u"ws://"_s,   u"file://"_s, QString()};
    static const QStringList pieces = {u"/"_s,
                                       u"\\"_s,
                                       u"//"_s,
                                       u"@"_s,
                                       u"user:pw@"_s,
                                       u":"_s,
                                       u":80"_s,
                                       u":443"_s,
                                       u":8080"_s,
                                       u"["_s,
                                       u"]"_s,
                                       u"[::1]"_s,
                                       u"%"_s,
                                       u"%2e"_s,
                                       u"%2E"_s,
                                       u"%41"_s,
                                       u"%zz"_s,
                                       u"%C3%BC"_s,
                                       u"."_s,
                                       u".."_s,
                                       u"a"_s,
                                       u"B"_s,
                                       u"ü"_s,
                                       u"ß"_s,
                                       u"ｅ"_s,
                                       u"。"_s,
                                       u"\u00ad"_s,
                                       u"xn--"_s,
                                       u"xn--bcher-kva"_s,
                                       u"bücher"_s,
                                       u"org"_s,
                                       u"0x7f"_s,
                                       u"0177"_s,
                                       u"127"_s,
                                       u"1"_s,
                                       u"256"_s,
                                       u"4294967295"_s,
                                       u"09"_s,
                                       u"?"_s,
                                       u"#"_s,
                                       u"{"_s,
                                       u"}"_s,
                                       u"^"_s,
                                       u"|"_s,
                                       u"`"_s,
                                       u"\""_s,
                                       u"<"_s,
                                       u" "_s,
                                       u"\t"_s,
                                       u"\n"_s,
                                       u"-"_s,
                                       u"_"_s,
                                       u"~"_s,
                                       u"youtube.com"_s,
                                       u"shorts"_s,
                                       u"\u3000"_s,
                                       u"\uff0e"_s};
    QRandomGenerator random(20261209);
    QStringList addresses;
    for (int i = 0; i < count; ++i) {
        QString address = starts.at(random.bounded(int(starts.size())));
        for (int n = random.bounded(1, 10); n > 0; --n) {
            address += pieces.at(random.bounded(int(pieces.size())));
        }
        addresses.append(address);
    }
    return addresses;
}

// Whether two hosts differ only in labels that we keep as written: labels that browsers convert
// but Qt's IDNA refuses (a letter beside ASCII punctuation that no DNS name carries).
bool differsOnlyInKeptLabels(const QString& ours, const QString& theirs) {
    const QStringList a = ours.split(QLatin1Char('.'));
    const QStringList b = theirs.split(QLatin1Char('.'));
    if (a.size() != b.size()) {
        return false;
    }
    for (qsizetype i = 0; i < a.size(); ++i) {
        const bool ascii =
            std::all_of(a[i].begin(), a[i].end(), [](QChar c) { return c.unicode() < 0x80; });
        if (a[i] != b[i] && ascii) {
            return false;
        }
    }
    return true;
}

}  // namespace

class TestWebAddress : public QObject {
    Q_OBJECT

private slots:
    void readsEveryAddressAsABrowserDoes() {
        QStringList addresses = oddAddresses();
        QVERIFY2(addresses.size() > 100, "the table of odd addresses did not load");
        addresses += fuzzSeeds();
        addresses += strungAddresses(20000);

        QProcess node;
        node.start(QStringLiteral("node"), {QStringLiteral(QUOREL_WHATWG_READER)});
        QVERIFY2(node.waitForStarted(), "node is missing: scripts/install-deps.sh installs it");
        node.write(QJsonDocument(QJsonArray::fromStringList(addresses)).toJson());
        node.closeWriteChannel();
        QVERIFY(node.waitForFinished(60000));
        const QJsonArray theirs = QJsonDocument::fromJson(node.readAllStandardOutput()).array();
        QCOMPARE(theirs.size(), addresses.size());

        QStringList faults;
        int browsersRefuse = 0;
        for (qsizetype i = 0; i < addresses.size(); ++i) {
            const std::optional<WebAddress> ours = parseWebAddress(addresses[i]);
            if (theirs[i].isNull()) {
                // A browser loads none of these; judging one of them anyway costs nothing.
                browsersRefuse += ours ? 1 : 0;
                continue;
            }
            const QJsonObject their = theirs[i].toObject();
            const QString theirHost = their[u"host"].toString();
            const bool same =
                ours && ours->scheme == their[u"scheme"].toString() &&
                ours->port == their[u"port"].toInt() && ours->path == their[u"path"].toString() &&
                (ours->host == theirHost || differsOnlyInKeptLabels(ours->host, theirHost));
            if (!same && faults.size() < 12) {
                faults.append(u"%1\n    browsers: %2 %3 %4 %5\n    ours:     %6"_s.arg(
                    QString::fromUtf8(
                        QJsonDocument(QJsonArray{addresses[i]}).toJson(QJsonDocument::Compact)),
                    their[u"scheme"].toString(), theirHost, QString::number(their[u"port"].toInt()),
                    their[u"path"].toString(),
                    ours ? u"%1 %2 %3 %4"_s.arg(ours->scheme, ours->host,
                                                QString::number(ours->port), ours->path)
                         : u"not an address"_s));
            }
        }
        qInfo("%lld addresses; %d that browsers refuse are read anyway",
              static_cast<long long>(addresses.size()), browsersRefuse);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
    }
};

QTEST_GUILESS_MAIN(TestWebAddress)
#include "tst_webaddress.moc"
