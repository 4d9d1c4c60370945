#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

namespace Quorel {

// What the tray icon shows.
struct TrayLabel {
    QString symbol;           // "timer", or "lock.fill" during a strict countdown
    QString title;            // the countdown while running, else "Quorel"; always the tooltip
    bool showsTitle = false;  // the title is drawn into the icon too

    bool operator==(const TrayLabel&) const = default;
};

TrayLabel trayLabel(bool showInMenuBar, bool isRunning, bool strictMode,
                    const QString& formattedRemaining);

// Whether two labels give the same icon picture (the tooltip aside), so a hidden countdown
// costs no redraw each second.
bool drawsTheSame(const TrayLabel& a, const TrayLabel& b);

// The tray icon's picture, pixelHeight high: the symbol, then the title when the label shows it.
QImage renderTrayIcon(const TrayLabel& label, int pixelHeight, const QFont& font,
                      const QColor& color);

// Where the control window opens: centred on the tray icon, below it when the icon sits in the
// upper half of the screen (a top panel) and above it otherwise, kept inside the screen. Trays
// that do not say where the icon is (an empty anchor) get the cursor instead.
QPoint controlWindowPosition(const QRect& anchor, const QPoint& cursor, const QSize& window,
                             const QRect& screen);

}  // namespace Quorel
