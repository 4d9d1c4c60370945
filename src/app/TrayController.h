#pragma once

#include "TrayPresentation.h"

#include <QElapsedTimer>
#include <QObject>
#include <QSystemTrayIcon>

#include <memory>
#include <optional>

class QQmlEngine;
class QQuickView;

namespace Quorel {

class FocusManager;

// The tray icon and the control window it opens. The icon is redrawn only when what it shows
// changes, so an idle app does no work here.
class TrayController : public QObject {
    Q_OBJECT

public:
    TrayController(FocusManager& manager, QQmlEngine& engine, QObject* parent = nullptr);
    ~TrayController() override;

    // Shows the icon in the tray, now or once a tray appears.
    void show();
    void hideControlWindow();

private:
    void refreshIcon();
    void onActivated(QSystemTrayIcon::ActivationReason reason);
    void toggleControlWindow();
    QQuickView* controlWindow();
    bool eventFilter(QObject* watched, QEvent* event) override;

    FocusManager& m_manager;
    QQmlEngine& m_engine;
    QSystemTrayIcon m_icon;
    std::unique_ptr<QQuickView> m_controlWindow;
    std::optional<TrayLabel> m_shown;
    // Since the control window last closed itself on losing focus.
    QElapsedTimer m_sinceAutoClose;
};

}  // namespace Quorel
