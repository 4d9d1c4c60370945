// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QtQml/qqmlregistration.h>
#include <QObject>
#include <QString>

namespace Quorel {

// The texts of an HH:MM picker's fields, for the TimePicker component.
class TimeFieldText : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    explicit TimeFieldText(QObject* parent = nullptr) : QObject(parent) {}

    // "07".
    Q_INVOKABLE QString format(int value) const;
    // The typed value, or -1 when the text is not a number from 0 to highest.
    Q_INVOKABLE int parse(const QString& text, int highest) const;
};

}  // namespace Quorel
