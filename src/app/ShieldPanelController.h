// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "ports/BlockShield.h"

#include <QSize>
#include <QString>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>

class QQuickView;

namespace Quorel {

class ShieldWindowHints;

// The floating shield raised over a blocked application: a small window that stays on top on
// every desktop and never takes the focus from what the user switches to.
//
// The fast guard asks for it every 0.3 s while a blocked application keeps coming back; a show
// for the name already up, within 1.5 s of the last show that got through, does nothing. The
// window and its QML engine are made on the first show, so an app that never blocks anything
// pays nothing for them, and let go once the panel has been hidden for a while.
class ShieldPanelController final : public BlockShield {
public:
    using SteadyClock = std::function<std::chrono::steady_clock::time_point()>;

    static constexpr std::chrono::milliseconds throttle{1500};
    static constexpr QSize panelSize{380, 250};
    static constexpr std::chrono::seconds releaseDelay{30};

    // hints may be null (a desktop without them); it must outlive the controller.
    explicit ShieldPanelController(ShieldWindowHints* hints = nullptr,
                                   SteadyClock now = &std::chrono::steady_clock::now);
    ~ShieldPanelController() override;

    // The view reads the process's one manager, which is the one passed here.
    void show(const QString& targetName, FocusManager& manager) override;

    // The panel's window; nullptr before the first show and once let go.
    QQuickView* panel() const { return m_panel.get(); }
    void setReleaseDelay(std::chrono::milliseconds delay) { m_release.setInterval(delay); }

private:
    void createPanel();
    // Sizes the panel to its card; true when the size changed.
    bool fitToContent();
    void centre();

    ShieldWindowHints* m_hints;
    SteadyClock m_now;
    std::unique_ptr<QQuickView> m_panel;
    QTimer m_release;  // runs while the panel is hidden
    QString m_lastShownTarget;
    std::chrono::steady_clock::time_point m_lastShownAt;
};

}  // namespace Quorel
