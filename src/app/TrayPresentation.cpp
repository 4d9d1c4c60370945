#include "TrayPresentation.h"

#include "SymbolRenderer.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace Quorel {

namespace {

// Between the icon and the window it opens.
constexpr int anchorGap = 4;

int clampInto(int start, int length, int areaStart, int areaLength) {
    // A window larger than the area keeps its top-left corner inside.
    return std::max(areaStart, std::min(start, areaStart + areaLength - length));
}

}  // namespace

TrayLabel trayLabel(bool showInMenuBar, bool isRunning, bool strictMode,
                    const QString& formattedRemaining) {
    TrayLabel label;
    label.title = isRunning ? formattedRemaining : QStringLiteral("Quorel");
    label.showsTitle = showInMenuBar;
    label.symbol = showInMenuBar && isRunning && strictMode ? QStringLiteral("lock.fill")
                                                            : QStringLiteral("timer");
    return label;
}

bool drawsTheSame(const TrayLabel& a, const TrayLabel& b) {
    return a.symbol == b.symbol && a.showsTitle == b.showsTitle &&
           (!a.showsTitle || a.title == b.title);
}

QImage renderTrayIcon(const TrayLabel& label, int pixelHeight, const QFont& font,
                      const QColor& color) {
    const int symbolSide = pixelHeight;
    // The symbol keeps a small margin so it does not touch the tray's edges.
    const int inset = std::max(1, pixelHeight / 8);
    const QImage symbol =
        renderSymbol(label.symbol, QSize(symbolSide - 2 * inset, symbolSide - 2 * inset), color);

    QFont titleFont = font;
    titleFont.setPixelSize(std::max(8, static_cast<int>(std::lround(pixelHeight * 0.62))));
    titleFont.setBold(true);
    const QFontMetrics metrics(titleFont);
    const int gap = pixelHeight / 5;
    const int titleWidth =
        label.showsTitle ? gap + metrics.horizontalAdvance(label.title) + inset : 0;

    QImage image(symbolSide + titleWidth, pixelHeight, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.drawImage(QPoint(inset, inset), symbol);
    if (label.showsTitle) {
        painter.setRenderHint(QPainter::TextAntialiasing);
        painter.setFont(titleFont);
        painter.setPen(color);
        const QRect titleBox(symbolSide + gap, 0, titleWidth - gap, pixelHeight);
        painter.drawText(titleBox, Qt::AlignLeft | Qt::AlignVCenter, label.title);
    }
    return image;
}

QPoint controlWindowPosition(const QRect& anchor, const QPoint& cursor, const QSize& window,
                             const QRect& screen) {
    const QRect at = anchor.isEmpty() ? QRect(cursor, QSize(1, 1)) : anchor;
    const int x = at.center().x() - window.width() / 2;
    const bool upperHalf = at.center().y() < screen.center().y();
    const int y = upperHalf ? at.bottom() + 1 + anchorGap : at.top() - anchorGap - window.height();
    return {clampInto(x, window.width(), screen.left(), screen.width()),
            clampInto(y, window.height(), screen.top(), screen.height())};
}

}  // namespace Quorel
