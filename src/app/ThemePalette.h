// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "Models.h"

#include <QtQml/qqmlregistration.h>
#include <QColor>
#include <QObject>

namespace Quorel {

// The colour themes' colours for QML: Theme.qml follows the chosen theme through it, and the
// Settings screen draws its swatches with it.
class ThemePalette : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    // The named colours the views use for state (the strict banner, breaks, separators).
    Q_PROPERTY(QColor red READ red CONSTANT)
    Q_PROPERTY(QColor green READ green CONSTANT)
    Q_PROPERTY(QColor grey READ grey CONSTANT)

public:
    explicit ThemePalette(QObject* parent = nullptr);

    Q_INVOKABLE QColor accent(Quorel::AppColorTheme theme) const;
    // The backdrop gradient's first (top-left) and second (bottom-right) colour.
    Q_INVOKABLE QColor glowStart(Quorel::AppColorTheme theme) const;
    Q_INVOKABLE QColor glowEnd(Quorel::AppColorTheme theme) const;
    // The theme's title as the user sees it, "Ocean Blue".
    Q_INVOKABLE QString title(Quorel::AppColorTheme theme) const;

    QColor red() const;
    QColor green() const;
    QColor grey() const;
};

}  // namespace Quorel
