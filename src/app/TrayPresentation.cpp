// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "TrayPresentation.h"

#include "DisplayFormat.h"
#include "IconRenderer.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

namespace Quorel {

namespace {

// Between the icon and the window it opens.
constexpr int anchorGap = 4;

int clampInto(int start, int length, int areaStart, int areaLength) {
    // A window larger than the area keeps its top-left corner inside.
    return std::max(areaStart, std::min(start, areaStart + areaLength - length));
}

}  // namespace

TrayLabel trayLabel(bool countdownInTray, bool isRunning, bool strictMode,
                    qint64 remainingSeconds) {
    TrayLabel label;
    label.title = isRunning ? formatRemaining(remainingSeconds) : QStringLiteral("Quorel");
    label.showsTitle = countdownInTray;
    label.icon = countdownInTray && isRunning && strictMode ? QStringLiteral("changes-prevent")
                                                            : QStringLiteral("chronometer");
    if (countdownInTray && isRunning) {
        label.badge = formatRemainingCompact(remainingSeconds);
    }
    return label;
}

QString trayToolTip(const TrayLabel& label, const QString& workspaceLimitation) {
    return workspaceLimitation.isEmpty() ? label.title : label.title + u'\n' + workspaceLimitation;
}

bool drawsTheSame(const TrayLabel& a, const TrayLabel& b) {
    return a.icon == b.icon && a.badge == b.badge;
}

QImage renderTrayIcon(const TrayLabel& label, int pixelHeight, const QFont& font,
                      const QColor& color) {
    const int side = std::max(1, pixelHeight);
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    // The icon keeps a small margin so it does not touch the tray's edges.
    const int inset = std::max(1, side / 8);

    if (label.badge.isEmpty()) {
        painter.drawImage(QPoint(inset, inset),
                          renderIcon(label.icon, QSize(side - 2 * inset, side - 2 * inset), color));
        return image;
    }

    const bool locked = label.icon == QLatin1String("changes-prevent");
    // Locked: the badge above, a small lock under it.
    const int lockSide = locked ? side * 2 / 5 : 0;
    const QRect textBox(0, 0, side, side - lockSide);
    QFont badgeFont = font;
    badgeFont.setBold(true);
    badgeFont.setPixelSize(std::max(6, textBox.height() * 3 / 4));
    // Three characters must fit the width too.
    while (badgeFont.pixelSize() > 6 &&
           QFontMetrics(badgeFont).horizontalAdvance(label.badge) > side) {
        badgeFont.setPixelSize(badgeFont.pixelSize() - 1);
    }
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(badgeFont);
    painter.setPen(color);
    painter.drawText(textBox, Qt::AlignCenter, label.badge);
    if (locked) {
        painter.drawImage(QPoint((side - lockSide) / 2, side - lockSide),
                          renderIcon(label.icon, QSize(lockSide, lockSide), color));
    }
    return image;
}

QList<TrayMenuItem> trayMenu(bool isRunning, bool isBreak, bool strictMode, FocusPreset preset) {
    const bool locked = isRunning && strictMode;
    return {
        {TrayAction::None, controlHeaderTitle(isRunning, isBreak, preset), false},
        {TrayAction::StartPause, primaryActionTitle(isRunning, strictMode), !locked},
        {TrayAction::Reset, QStringLiteral("Reset"), !locked},
        {TrayAction::None, QString(), false},
        {TrayAction::OpenWindow, QStringLiteral("Open Quorel"), true},
        {TrayAction::Quit, QStringLiteral("Quit"), !locked},
    };
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
