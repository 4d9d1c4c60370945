#pragma once

#include <QColor>
#include <QImage>
#include <QSize>
#include <QString>

namespace Quorel {

// Our own SVG symbols, named after the symbols they stand for ("timer", "lock.fill").
QString symbolPath(const QString& name);

// The symbol drawn into pixelSize and filled with color; a null image when there is no such
// symbol. The SVGs are drawn in one colour, so any tint is a fill over their shape.
QImage renderSymbol(const QString& name, QSize pixelSize, const QColor& color);

}  // namespace Quorel
