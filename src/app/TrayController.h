// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "TrayPresentation.h"

#include <QElapsedTimer>
#include <QIcon>
#include <QList>
#include <QObject>
#include <QSystemTrayIcon>

#include <functional>
#include <memory>
#include <optional>

class QQmlEngine;
class QQuickView;

namespace Quorel {

class FocusManager;
class StatusNotifierItem;

// The tray icon and the control window it opens. The icon is redrawn only when what it shows
// changes, so an idle app does no work here. The control window is built on first use, in the
// views' engine that `engine` makes on demand.
//
// Two kinds of tray are served: StatusNotifierItem trays (Plasma, GNOME's AppIndicator
// extension, waybar) through an item of our own, which finds a tray that starts after us, and
// XEmbed trays through QSystemTrayIcon. The XEmbed icon steps aside while the item is shown, so
// a desktop that has both shows Quorel once.
class TrayController : public QObject {
    Q_OBJECT

public:
    TrayController(FocusManager& manager, std::function<QQmlEngine&()> engine,
                   QObject* parent = nullptr);
    ~TrayController() override;

    // Shows the icon in the tray, now or once a tray appears.
    void show();
    void hideControlWindow();
    bool isControlWindowVisible() const;
    // Lets the control window go; it is built again when next opened.
    void releaseControlWindow();
    // A tray shows the icon now, of either kind.
    bool isAvailable() const;

signals:
    void controlWindowBuilt();
    void controlWindowHidden();
    // isAvailable() may have changed.
    void availabilityChanged();
    // From the tray's menu.
    void mainWindowRequested();
    void quitRequested();

private:
    void refreshIcon();
    void refreshMenu();
    void onActivated(QSystemTrayIcon::ActivationReason reason);
    void onItemShown(bool shown);
    void ensureXEmbedIcon();
    void triggerMenuEntry(int id);
    void toggleControlWindow(const QRect& anchor);
    QQuickView* controlWindow();
    bool eventFilter(QObject* watched, QEvent* event) override;

    FocusManager& m_manager;
    std::function<QQmlEngine&()> m_engine;
    // Declared before the icon: whether the icon may exist depends on it.
    std::unique_ptr<StatusNotifierItem> m_item;
    // Qt's icon, XEmbed where it can be; made only while Qt would not put it on D-Bus beside ours.
    std::unique_ptr<QSystemTrayIcon> m_icon;
    bool m_iconPossible = false;
    bool m_showRequested = false;
    QIcon m_picture;
    QList<TrayMenuItem> m_menu;
    std::unique_ptr<QQuickView> m_controlWindow;
    std::optional<TrayLabel> m_shown;
    // Since the control window last closed itself on losing focus.
    QElapsedTimer m_sinceAutoClose;
};

}  // namespace Quorel
