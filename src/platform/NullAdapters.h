// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Stand-ins for services that are missing on this desktop: the app keeps running without them.

#include "ports/AmbientPlayer.h"
#include "ports/ApplicationChooser.h"
#include "ports/BlockShield.h"
#include "ports/BrowserScripting.h"
#include "ports/SystemSound.h"
#include "ports/Workspace.h"

namespace Quorel {

class NullWorkspace : public Workspace {
public:
    std::optional<QString> frontmostApplicationName() override { return std::nullopt; }
    std::optional<RunningApplication> frontmostApplication() override { return std::nullopt; }
    QList<RunningApplication> runningApplications() override { return {}; }
    void hide(const RunningApplication&) override {}
    void setActivationHandler(std::function<void(const RunningApplication&)>) override {}
    void setShownHandler(std::function<void(const RunningApplication&)>) override {}
    void setChannelRestoredHandler(std::function<void()>) override {}
    QList<RunningApplication> installedApplications() override { return {}; }
    QString limitation() const override {
        return QStringLiteral(
            "Quorel can't see which apps are running on this desktop, so it can't hide blocked "
            "apps.");
    }
};

class NullBlockShield : public BlockShield {
public:
    void show(const QString&, FocusManager&) override {}
};

class NullApplicationChooser : public ApplicationChooser {
public:
    QStringList chooseApplications() override { return {}; }
};

class NullSystemSound : public SystemSound {
public:
    void playFocusComplete() override {}
};

class NullAmbientPlayer : public AmbientPlayer {
public:
    void update(AmbientSoundType, bool, double) override {}
};

// No browser link: every request is answered as refused, as a browser without the link would.
class NullBrowserScripting : public BrowserScripting {
public:
    BrowserAnswer readFrontTab(BrowserFamily) override {
        return {BrowserAnswer::Status::Refused, {}};
    }
    BrowserAnswer redirectFrontTab(BrowserFamily, const BrowserRedirect&) override {
        return {BrowserAnswer::Status::Refused, {}};
    }
    bool reachesAnyBrowser() override { return false; }
    void setRules(const BrowserRules&) override {}
    bool guardsBrowser(BrowserFamily, qint64) override { return false; }
    void setFrontTabChangedHandler(std::function<void()>) override {}
    void setJudging(bool) override {}
    void letFrontTabLoad(BrowserFamily) override {}
};

}  // namespace Quorel
