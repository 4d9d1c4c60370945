// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "RowListModel.h"

#include <QSignalSpy>
#include <QTest>

using namespace Quorel;

namespace {

QList<RowListModel::Row> rows(std::initializer_list<std::pair<const char*, int>> values) {
    QList<RowListModel::Row> list;
    for (const auto& [key, value] : values) {
        list.append(RowListModel::Row{QString::fromUtf8(key), value});
    }
    return list;
}

QStringList keys(const RowListModel& model) {
    QStringList list;
    for (const RowListModel::Row& row : model.rows()) {
        list.append(row.value(0).toString());
    }
    return list;
}

}  // namespace

// Refreshing the rows changes only what changed, so the views' delegates live on.
class TestRowListModel : public QObject {
    Q_OBJECT

private slots:
    void keyedRefreshInsertsRemovesAndUpdatesInPlace() {
        RowListModel model({"key", "value"}, 0);
        model.setRows(rows({{"a", 1}, {"b", 2}, {"c", 3}}));
        QSignalSpy inserted(&model, &RowListModel::rowsInserted);
        QSignalSpy removed(&model, &RowListModel::rowsRemoved);
        QSignalSpy changed(&model, &RowListModel::dataChanged);
        QSignalSpy reset(&model, &RowListModel::modelReset);

        // A new row on top, one gone from the middle, one changed value.
        model.setRows(rows({{"n", 0}, {"a", 1}, {"c", 4}}));

        QCOMPARE(keys(model),
                 (QStringList{QStringLiteral("n"), QStringLiteral("a"), QStringLiteral("c")}));
        QCOMPARE(model.data(model.index(2), Qt::UserRole + 1), QVariant(4));
        QCOMPARE(reset.count(), 0);
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(inserted.first().at(1).toInt(), 0);
        QCOMPARE(removed.count(), 1);
        QCOMPARE(removed.first().at(1).toInt(), 1);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.first().at(0).value<QModelIndex>().row(), 2);
    }

    void keyedRefreshRebuildsAReorderedList() {
        RowListModel model({"key", "value"}, 0);
        model.setRows(rows({{"a", 1}, {"b", 2}, {"c", 3}}));
        QSignalSpy reset(&model, &RowListModel::modelReset);

        model.setRows(rows({{"c", 3}, {"a", 1}, {"x", 9}}));

        QCOMPARE(reset.count(), 1);
        QCOMPARE(keys(model),
                 (QStringList{QStringLiteral("c"), QStringLiteral("a"), QStringLiteral("x")}));
    }

    void positionalRefreshGrowsAndShrinksAtTheEnd() {
        RowListModel model({"key", "value"}, -1);
        QSignalSpy count(&model, &RowListModel::countChanged);
        model.setRows(rows({{"a", 1}, {"b", 2}}));
        QSignalSpy changed(&model, &RowListModel::dataChanged);
        QSignalSpy removed(&model, &RowListModel::rowsRemoved);

        model.setRows(rows({{"b", 2}}));
        model.setRows(rows({{"b", 2}}));

        QCOMPARE(keys(model), QStringList{QStringLiteral("b")});
        QCOMPARE(changed.count(), 1);  // the unchanged second refresh signals nothing
        QCOMPARE(removed.count(), 1);
        QCOMPARE(removed.first().at(1).toInt(), 1);
        QCOMPARE(count.count(), 2);
        QCOMPARE(model.count(), 1);
    }
};

QTEST_APPLESS_MAIN(TestRowListModel)
#include "tst_rowlistmodel.moc"
