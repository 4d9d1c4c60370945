// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "FocusManager.h"
#include "BrowserWorker.h"
#include "UrlRules.h"

#include <algorithm>
#include <utility>

namespace Quorel {

QPointer<FocusManager> FocusManager::s_shared;

namespace {

QStringList defaultBreakPrompts() {
    return {
        QStringLiteral(
            "20-20-20 Rule: Look at something 20 feet away for 20 seconds to relax your eyes."),
        QStringLiteral("Stand up, roll your shoulders back 5 times, and stretch your neck gently."),
        QStringLiteral("Grab a glass of water and take 4 slow, deep breaths away from the screen."),
        QStringLiteral("Shake out your wrists and fingers to release typing tension."),
    };
}

QList<FocusSchedule> defaultSchedules() {
    return {
        FocusSchedule{QUuid::createUuid(), QStringLiteral("Morning Deep Work"),
                      FocusPreset::DeepWork, 9, 0, 12, 0, false},
        FocusSchedule{QUuid::createUuid(), QStringLiteral("Bedtime Wind Down"),
                      FocusPreset::WindDown, 22, 30, 23, 30, false},
    };
}

QList<BlockedApp> defaultBlockedApps() {
    return {
        BlockedApp{QUuid::createUuid(), QStringLiteral("Discord"), true, 15},
        BlockedApp{QUuid::createUuid(), QStringLiteral("Steam"), true, std::nullopt},
        BlockedApp{QUuid::createUuid(), QStringLiteral("Messages"), false, std::nullopt},
        BlockedApp{QUuid::createUuid(), QStringLiteral("Slack"), true, std::nullopt},
    };
}

QList<BlockedSite> defaultBlockedSites() {
    return {
        BlockedSite{QUuid::createUuid(), QStringLiteral("reddit.com"), true},
        BlockedSite{QUuid::createUuid(), QStringLiteral("x.com"), true},
        BlockedSite{QUuid::createUuid(), QStringLiteral("netflix.com"), true},
        BlockedSite{QUuid::createUuid(), QStringLiteral("twitch.tv"), true},
    };
}

}  // namespace

FocusManager::FocusManager(Platform platform, QObject* parent)
    : QObject(parent),
      m_platform(platform),
      m_breakPrompts(defaultBreakPrompts()),
      m_schedules(defaultSchedules()),
      m_blockedApps(defaultBlockedApps()),
      m_blockedSites(defaultBlockedSites()),
      m_adultDomains(builtInAdultDomains()),
      m_browserWorker(std::make_unique<BrowserWorker>()) {
    m_workspaceLimitation = m_platform.workspace.limitation();
    m_currentDay = m_platform.clock.now().date();

    // Derived values follow the fields they are computed from.
    connect(this, &FocusManager::totalSecondsChanged, this, &FocusManager::countdownChanged);
    connect(this, &FocusManager::remainingSecondsChanged, this, &FocusManager::countdownChanged);
    connect(this, &FocusManager::isRunningChanged, this, &FocusManager::lockChanged);
    connect(this, &FocusManager::strictModeChanged, this, &FocusManager::lockChanged);
    connect(this, &FocusManager::screenTimeModeChanged, this, &FocusManager::usageChanged);

    m_saveThrottle.setInterval(500);
    m_saveThrottle.setSingleShot(true);
    connect(&m_saveThrottle, &QTimer::timeout, this, [this] {
        if (std::exchange(m_savePending, false)) {
            saveState();
            m_saveThrottle.start();
        }
    });

    s_shared = this;
    loadState();
    setupAppWatcher();
    startUsageTracker();
    startFastAppGuard();
    setupUnguardedBrowsers();
    for (const auto changed :
         {&FocusManager::blockedSitesChanged, &FocusManager::blockYouTubeShortsChanged,
          &FocusManager::blockInstagramReelsChanged, &FocusManager::blockAdultSitesChanged,
          &FocusManager::isRunningChanged, &FocusManager::isBreakChanged}) {
        connect(this, changed, this, &FocusManager::scheduleBrowserRules);
    }
    // A browser that tells of a new address is checked at once, not at the next heartbeat.
    m_platform.browser.setFrontTabChangedHandler([this] {
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_browserReported = true;
                if (m_isCheckingBrowser) {
                    m_browserRecheck = true;
                } else {
                    checkFrontBrowserTab();
                }
            },
            Qt::QueuedConnection);
    });
}

FocusManager::~FocusManager() {
    m_platform.browser.setFrontTabChangedHandler({});
    // A check in flight finishes before the fields its results are posted to go away.
    m_browserWorker.reset();
    m_heartbeat.stop();
    m_guardTimer.stop();
    // The workspace outlives us; it must not call into a manager that is gone.
    m_platform.workspace.setActivationHandler({});
}

FocusManager* FocusManager::shared() {
    return s_shared.data();
}

template <typename T>
bool FocusManager::assign(T& field, const T& value, void (FocusManager::*changed)()) {
    if (field == value) {
        return false;
    }
    field = value;
    emit(this->*changed)();
    return true;
}

// Setters: store, notify, then the field's change effect.

void FocusManager::setSelectedPreset(FocusPreset preset) {
    assign(m_selectedPreset, preset, &FocusManager::selectedPresetChanged);
    if (m_isApplyingLoadedState || m_isRunning) {
        return;
    }
    applyPreset(m_selectedPreset);
}

void FocusManager::setTotalSeconds(qint64 seconds) {
    assign(m_totalSeconds, seconds, &FocusManager::totalSecondsChanged);
}

void FocusManager::setRemainingSeconds(qint64 seconds) {
    m_countdownAnchor.reset();
    assign(m_remainingSeconds, seconds, &FocusManager::remainingSecondsChanged);
}

void FocusManager::setIsRunning(bool running) {
    m_countdownAnchor.reset();
    assign(m_isRunning, running, &FocusManager::isRunningChanged);
    syncAmbientAudio();
}

void FocusManager::setIsBreak(bool onBreak) {
    m_countdownAnchor.reset();
    assign(m_isBreak, onBreak, &FocusManager::isBreakChanged);
    syncAmbientAudio();
}

void FocusManager::setStrictMode(bool strict) {
    assign(m_strictMode, strict, &FocusManager::strictModeChanged);
    saveState();
}

void FocusManager::setAutoStartBreak(bool autoStart) {
    assign(m_autoStartBreak, autoStart, &FocusManager::autoStartBreakChanged);
    saveState();
}

void FocusManager::setCountdownInTray(bool show) {
    assign(m_countdownInTray, show, &FocusManager::countdownInTrayChanged);
    saveState();
}

void FocusManager::setGlassEnabled(bool enabled) {
    assign(m_glassEnabled, enabled, &FocusManager::glassEnabledChanged);
    saveState();
}

void FocusManager::setGlassTransparency(double transparency) {
    assign(m_glassTransparency, transparency, &FocusManager::glassTransparencyChanged);
    saveSoon();
}

void FocusManager::setColorTheme(AppColorTheme theme) {
    assign(m_colorTheme, theme, &FocusManager::colorThemeChanged);
    saveState();
}

void FocusManager::setAmbientSound(AmbientSoundType sound) {
    assign(m_ambientSound, sound, &FocusManager::ambientSoundChanged);
    saveState();
    syncAmbientAudio();
}

void FocusManager::setAmbientVolume(double volume) {
    assign(m_ambientVolume, volume, &FocusManager::ambientVolumeChanged);
    saveSoon();
    syncAmbientAudio();
}

void FocusManager::setPreviewAmbientSound(bool preview) {
    assign(m_previewAmbientSound, preview, &FocusManager::previewAmbientSoundChanged);
    syncAmbientAudio();
}

void FocusManager::setBreakPromptIndex(qint64 index) {
    assign(m_breakPromptIndex, index, &FocusManager::breakPromptIndexChanged);
}

void FocusManager::setSchedules(const QList<FocusSchedule>& schedules) {
    assign(m_schedules, schedules, &FocusManager::schedulesChanged);
    saveState();
}

void FocusManager::setBlockYouTubeShorts(bool block) {
    assign(m_blockYouTubeShorts, block, &FocusManager::blockYouTubeShortsChanged);
    saveState();
}

void FocusManager::setBlockInstagramReels(bool block) {
    assign(m_blockInstagramReels, block, &FocusManager::blockInstagramReelsChanged);
    saveState();
}

void FocusManager::setBlockAdultSites(bool block) {
    assign(m_blockAdultSites, block, &FocusManager::blockAdultSitesChanged);
    saveState();
}

void FocusManager::setHideUnguardedBrowsers(bool hide) {
    assign(m_hideUnguardedBrowsers, hide, &FocusManager::hideUnguardedBrowsersChanged);
    saveState();
}

void FocusManager::setBlockedApps(const QList<BlockedApp>& apps) {
    assign(m_blockedApps, apps, &FocusManager::blockedAppsChanged);
    saveState();
}

void FocusManager::setBlockedSites(const QList<BlockedSite>& sites) {
    assign(m_blockedSites, sites, &FocusManager::blockedSitesChanged);
    saveState();
}

void FocusManager::setInterceptedTarget(const std::optional<QString>& target) {
    assign(m_interceptedTarget, target, &FocusManager::interceptedTargetChanged);
}

void FocusManager::setBridgeActive(bool active) {
    assign(m_bridgeActive, active, &FocusManager::bridgeActiveChanged);
}

void FocusManager::setBrowserAccessDenied(bool denied) {
    assign(m_browserAccessDenied, denied, &FocusManager::browserAccessDeniedChanged);
}

void FocusManager::setBrowserNotice(const QString& notice) {
    assign(m_browserNotice, notice, &FocusManager::browserNoticeChanged);
}

void FocusManager::setBridgeProblem(const QString& problem) {
    assign(m_bridgeProblem, problem, &FocusManager::bridgeProblemChanged);
}

void FocusManager::setScreenTimeMode(ScreenTimeTrackingMode mode) {
    if (assign(m_screenTimeMode, mode, &FocusManager::screenTimeModeChanged)) {
        m_streakRunStale = true;
    }
    saveSoon();
}

void FocusManager::setAwayAfterMinutes(qint64 minutes) {
    assign(m_awayAfterMinutes, std::clamp(minutes, fewestAwayAfterMinutes, mostAwayAfterMinutes),
           &FocusManager::awayAfterMinutesChanged);
    saveState();
}

void FocusManager::setDailyGoalHours(double hours) {
    if (assign(m_dailyGoalHours, hours, &FocusManager::dailyGoalHoursChanged)) {
        m_streakRunStale = true;
    }
    saveState();
}

void FocusManager::setFocusMinutesToday(qint64 minutes) {
    assign(m_focusMinutesToday, minutes, &FocusManager::focusMinutesTodayChanged);
    saveState();
}

void FocusManager::setSessionsToday(qint64 sessions) {
    assign(m_sessionsToday, sessions, &FocusManager::sessionsTodayChanged);
    saveState();
}

void FocusManager::setStreakDays(qint64 days) {
    assign(m_streakDays, days, &FocusManager::streakDaysChanged);
    saveState();
}

void FocusManager::setTrackedAppSeconds(const SecondsMap& map) {
    assign(m_trackedAppSeconds, map, &FocusManager::usageChanged);
}

void FocusManager::setTrackedBlockedAppSeconds(const SecondsMap& map) {
    assign(m_trackedBlockedAppSeconds, map, &FocusManager::usageChanged);
}

void FocusManager::setDailySecondsByDate(const SecondsMap& map) {
    if (assign(m_dailySecondsByDate, map, &FocusManager::usageChanged)) {
        m_streakRunStale = true;
    }
}

void FocusManager::setDailyBlockedSecondsByDate(const SecondsMap& map) {
    if (assign(m_dailyBlockedSecondsByDate, map, &FocusManager::usageChanged)) {
        m_streakRunStale = true;
    }
}

}  // namespace Quorel
