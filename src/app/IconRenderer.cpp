// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "IconRenderer.h"

#include <QFile>
#include <QPainter>
#include <QSvgRenderer>

namespace Quorel {

QString iconPath(const QString& name) {
    return QStringLiteral(":/qt/qml/Quorel/icons/") + name + QStringLiteral(".svg");
}

QImage renderIcon(const QString& name, QSize pixelSize, const QColor& color) {
    if (name.isEmpty() || pixelSize.isEmpty() || !QFile::exists(iconPath(name))) {
        return {};
    }
    QSvgRenderer svg(iconPath(name));
    if (!svg.isValid()) {
        return {};
    }
    QImage image(pixelSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    // Keep the icon's proportions, centred in the box.
    QSizeF drawn = svg.defaultSize();
    drawn.scale(QSizeF(pixelSize), Qt::KeepAspectRatio);
    const QRectF box((pixelSize.width() - drawn.width()) / 2,
                     (pixelSize.height() - drawn.height()) / 2, drawn.width(), drawn.height());
    svg.render(&painter, box);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(image.rect(), color);
    return image;
}

}  // namespace Quorel
