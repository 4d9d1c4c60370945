// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QColor>
#include <QImage>
#include <QSize>
#include <QString>

namespace Quorel {

// Our own SVG icons, named as the freedesktop icon naming scheme names them where it has a name
// ("chronometer", "changes-prevent"), so they read as a Linux icon theme's would.
QString iconPath(const QString& name);

// The icon drawn into pixelSize and filled with color; a null image when there is no such
// icon. The SVGs are drawn in one colour, so any tint is a fill over their shape.
QImage renderIcon(const QString& name, QSize pixelSize, const QColor& color);

}  // namespace Quorel
