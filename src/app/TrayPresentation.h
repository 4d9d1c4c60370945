// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "Models.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

namespace Quorel {

// What the tray icon shows.
struct TrayLabel {
    QString icon;             // "chronometer", or "changes-prevent" during a strict countdown
    QString title;            // the countdown while running, else "Quorel"; always the tooltip
    bool showsTitle = false;  // the countdown is drawn into the icon too
    QString badge;            // what of it fits a square tray slot: "45", "59s"; empty when idle

    bool operator==(const TrayLabel&) const = default;
};

TrayLabel trayLabel(bool countdownInTray, bool isRunning, bool strictMode, qint64 remainingSeconds);

// The tooltip: the title, and on a line of its own what blocking cannot do on this desktop.
QString trayToolTip(const TrayLabel& label, const QString& workspaceLimitation);

// Whether two labels give the same icon picture (the tooltip aside), so a hidden countdown
// costs no redraw each second.
bool drawsTheSame(const TrayLabel& a, const TrayLabel& b);

// The tray icon's picture, a pixelHeight square: trays give every icon a square slot, so a full
// "44:59" beside the icon would be shrunk past reading. With a badge it is the badge in bold,
// over a small lock during a strict countdown; otherwise the icon alone.
QImage renderTrayIcon(const TrayLabel& label, int pixelHeight, const QFont& font,
                      const QColor& color);

// What a tray's own menu does (trays that show a menu rather than pass on a click).
enum class TrayAction { None, StartPause, Reset, OpenWindow, Quit };

// One line of the menu: a heading when it has no action, a separator when it has no label.
struct TrayMenuItem {
    TrayAction action = TrayAction::None;
    QString label;
    bool enabled = false;

    bool operator==(const TrayMenuItem&) const = default;
};

// The control window in menu form: its header, its buttons with the same texts and the same
// enablement, then "Open Quorel" and "Quit".
QList<TrayMenuItem> trayMenu(bool isRunning, bool isBreak, bool strictMode, FocusPreset preset);

// Where the control window opens: centred on the tray icon, below it when the icon sits in the
// upper half of the screen (a top panel) and above it otherwise, kept inside the screen. Trays
// that do not say where the icon is (an empty anchor) get the cursor instead.
QPoint controlWindowPosition(const QRect& anchor, const QPoint& cursor, const QSize& window,
                             const QRect& screen);

}  // namespace Quorel
