// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QtQml/qqmlregistration.h>
#include <QAbstractListModel>
#include <QByteArrayList>
#include <QList>
#include <QVariant>

namespace Quorel {

// Rows of plain values for a Repeater, changed in place: a refresh that keeps a row's identity
// only updates its values, so its delegate (and the keyboard focus inside it) survives the
// once-a-second refresh of the figures and the save after every switch flip.
class RowListModel : public QAbstractListModel {
    Q_OBJECT
    QML_ANONYMOUS
    Q_PROPERTY(int count READ count NOTIFY countChanged)

public:
    using Row = QVariantList;

    // One role per name, values in that order; keyRole names the role that identifies a row, or
    // -1 to identify rows by position.
    RowListModel(QByteArrayList roles, int keyRole, QObject* parent = nullptr);

    int count() const { return static_cast<int>(m_rows.size()); }
    const QList<Row>& rows() const { return m_rows; }
    void setRows(const QList<Row>& rows);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

signals:
    void countChanged();

private:
    void replaceRow(int at, const Row& row);
    void setRowsByPosition(const QList<Row>& rows);
    void setRowsByKey(const QList<Row>& rows);

    QByteArrayList m_roles;
    int m_keyRole;
    QList<Row> m_rows;
};

}  // namespace Quorel
