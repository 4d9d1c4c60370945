#pragma once

#include "TrayPresentation.h"

#include <QElapsedTimer>
#include <QObject>
#include <QSystemTrayIcon>

#include <functional>
#include <memory>
#include <optional>

class QQmlEngine;
class QQuickView;

namespace Quorel {

class FocusManager;

// The tray icon and the control window it opens. The icon is redrawn only when what it shows
// changes, so an idle app does no work here. The control window is built on first use, in the
// views' engine that `engine` makes on demand.
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

signals:
    void controlWindowBuilt();
    void controlWindowHidden();

private:
    void refreshIcon();
    void onActivated(QSystemTrayIcon::ActivationReason reason);
    void toggleControlWindow();
    QQuickView* controlWindow();
    bool eventFilter(QObject* watched, QEvent* event) override;

    FocusManager& m_manager;
    std::function<QQmlEngine&()> m_engine;
    QSystemTrayIcon m_icon;
    std::unique_ptr<QQuickView> m_controlWindow;
    std::optional<TrayLabel> m_shown;
    // Since the control window last closed itself on losing focus.
    QElapsedTimer m_sinceAutoClose;
};

}  // namespace Quorel
