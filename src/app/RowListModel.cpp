// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "RowListModel.h"

#include <QSet>

namespace Quorel {

RowListModel::RowListModel(QByteArrayList roles, int keyRole, QObject* parent)
    : QAbstractListModel(parent), m_roles(std::move(roles)), m_keyRole(keyRole) {}

int RowListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : count();
}

QVariant RowListModel::data(const QModelIndex& index, int role) const {
    const int column = role - Qt::UserRole;
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid) ||
        column < 0 || column >= m_roles.size()) {
        return {};
    }
    return m_rows.at(index.row()).value(column);
}

QHash<int, QByteArray> RowListModel::roleNames() const {
    QHash<int, QByteArray> names;
    for (int i = 0; i < m_roles.size(); ++i) {
        names.insert(Qt::UserRole + i, m_roles.at(i));
    }
    return names;
}

void RowListModel::setRows(const QList<Row>& rows) {
    const int before = count();
    if (m_keyRole < 0) {
        setRowsByPosition(rows);
    } else {
        setRowsByKey(rows);
    }
    if (count() != before) {
        emit countChanged();
    }
}

void RowListModel::replaceRow(int at, const Row& row) {
    if (m_rows.at(at) == row) {
        return;
    }
    m_rows[at] = row;
    const QModelIndex changed = index(at);
    emit dataChanged(changed, changed);
}

void RowListModel::setRowsByPosition(const QList<Row>& rows) {
    const int kept = static_cast<int>(std::min(rows.size(), m_rows.size()));
    for (int i = 0; i < kept; ++i) {
        replaceRow(i, rows.at(i));
    }
    if (rows.size() < m_rows.size()) {
        beginRemoveRows({}, kept, count() - 1);
        m_rows.resize(kept);
        endRemoveRows();
    } else if (rows.size() > m_rows.size()) {
        beginInsertRows({}, kept, static_cast<int>(rows.size()) - 1);
        m_rows.append(rows.mid(kept));
        endInsertRows();
    }
}

void RowListModel::setRowsByKey(const QList<Row>& rows) {
    QSet<QString> keys;
    for (const Row& row : rows) {
        keys.insert(row.value(m_keyRole).toString());
    }
    // Rows that are gone, from the back so the indexes stay right.
    for (int i = count() - 1; i >= 0; --i) {
        if (!keys.contains(m_rows.at(i).value(m_keyRole).toString())) {
            beginRemoveRows({}, i, i);
            m_rows.removeAt(i);
            endRemoveRows();
        }
    }
    // What is left must be in the new order, with only new rows between; a reordered list is
    // rare enough to rebuild.
    int at = 0;
    for (const Row& row : rows) {
        if (at < count() && m_rows.at(at).value(m_keyRole) == row.value(m_keyRole)) {
            replaceRow(at, row);
        } else {
            bool known = false;
            for (int j = at; j < count() && !known; ++j) {
                known = m_rows.at(j).value(m_keyRole) == row.value(m_keyRole);
            }
            if (known) {
                beginResetModel();
                m_rows = rows;
                endResetModel();
                return;
            }
            beginInsertRows({}, at, at);
            m_rows.insert(at, row);
            endInsertRows();
        }
        ++at;
    }
}

}  // namespace Quorel
