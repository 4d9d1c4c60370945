// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "BlockersFormat.h"

#include <QTest>

using namespace Quorel;

// The Blockers screen's allowance texts and rules, without any view.
class TestBlockersFormat : public QObject {
    Q_OBJECT

private slots:
    void usageLineCountsWholeMinutesAndReddensAtTheAllowance_data() {
        QTest::addColumn<qint64>("usedSeconds");
        QTest::addColumn<qint64>("limitMinutes");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("reached");

        QTest::newRow("nothing used")
            << qint64(0) << qint64(15) << QStringLiteral("0m / 15m today") << false;
        QTest::newRow("a second short")
            << qint64(299) << qint64(5) << QStringLiteral("4m / 5m today") << false;
        QTest::newRow("exactly used up")
            << qint64(300) << qint64(5) << QStringLiteral("5m / 5m today") << true;
        QTest::newRow("well over")
            << qint64(7325) << qint64(60) << QStringLiteral("122m / 60m today") << true;
    }

    void usageLineCountsWholeMinutesAndReddensAtTheAllowance() {
        QFETCH(qint64, usedSeconds);
        QFETCH(qint64, limitMinutes);
        QFETCH(QString, text);
        QFETCH(bool, reached);

        QCOMPARE(allowanceUsageText(usedSeconds, limitMinutes), text);
        QCOMPARE(allowanceReached(usedSeconds, limitMinutes), reached);
    }

    void pickerOptionsMapBothWaysAndNoneIsFocusOnly() {
        const QStringList titles = allowanceTitles();
        QCOMPARE(titles, (QStringList{QStringLiteral("Focus Only"), QStringLiteral("5m/day"),
                                      QStringLiteral("15m/day"), QStringLiteral("30m/day"),
                                      QStringLiteral("60m/day")}));
        for (int i = 0; i < titles.size(); ++i) {
            QCOMPARE(allowanceIndex(allowanceMinutesAt(i).value()), i);
        }
        QCOMPARE(allowanceMinutesAt(0), 0);
        // Saved data may hold an allowance no option offers: it shows no option.
        QCOMPARE(allowanceIndex(45), -1);
        QCOMPARE(allowanceMinutesAt(int(titles.size())), std::nullopt);
        QCOMPARE(allowanceMinutesAt(-1), std::nullopt);
    }
};

QTEST_APPLESS_MAIN(TestBlockersFormat)
#include "tst_blockersformat.moc"
