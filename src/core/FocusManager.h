// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "BrowserFamily.h"
#include "BrowserStates.h"
#include "Models.h"
#include "PersistedState.h"
#include "Platform.h"
#include "UsageRules.h"

#include <QDateTime>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QUuid>
#include <QVariantList>

#include <memory>
#include <optional>

namespace Quorel {

class BrowserWorker;
struct GuardSnapshot;

// The one object that holds Quorel's whole state: the countdown, the settings, the lists, the
// day's statistics and the usage maps. Every view reads its properties and calls its operations.
//
// A setter stores the value, notifies when it changed, and then runs the field's change effect on
// every assignment, changed or not. All of it runs on the main thread.
class FocusManager : public QObject {
    Q_OBJECT

    Q_PROPERTY(Quorel::FocusPreset selectedPreset READ selectedPreset WRITE setSelectedPreset NOTIFY
                   selectedPresetChanged)
    Q_PROPERTY(
        qint64 totalSeconds READ totalSeconds WRITE setTotalSeconds NOTIFY totalSecondsChanged)
    Q_PROPERTY(qint64 remainingSeconds READ remainingSeconds WRITE setRemainingSeconds NOTIFY
                   remainingSecondsChanged)
    Q_PROPERTY(bool isRunning READ isRunning WRITE setIsRunning NOTIFY isRunningChanged)
    Q_PROPERTY(bool isBreak READ isBreak WRITE setIsBreak NOTIFY isBreakChanged)
    Q_PROPERTY(bool strictMode READ strictMode WRITE setStrictMode NOTIFY strictModeChanged)
    Q_PROPERTY(bool autoStartBreak READ autoStartBreak WRITE setAutoStartBreak NOTIFY
                   autoStartBreakChanged)
    Q_PROPERTY(bool countdownInTray READ countdownInTray WRITE setCountdownInTray NOTIFY
                   countdownInTrayChanged)
    Q_PROPERTY(bool glassEnabled READ glassEnabled WRITE setGlassEnabled NOTIFY glassEnabledChanged)
    Q_PROPERTY(double glassTransparency READ glassTransparency WRITE setGlassTransparency NOTIFY
                   glassTransparencyChanged)
    Q_PROPERTY(Quorel::AppColorTheme colorTheme READ colorTheme WRITE setColorTheme NOTIFY
                   colorThemeChanged)
    Q_PROPERTY(Quorel::AmbientSoundType ambientSound READ ambientSound WRITE setAmbientSound NOTIFY
                   ambientSoundChanged)
    Q_PROPERTY(
        double ambientVolume READ ambientVolume WRITE setAmbientVolume NOTIFY ambientVolumeChanged)
    Q_PROPERTY(bool previewAmbientSound READ previewAmbientSound WRITE setPreviewAmbientSound NOTIFY
                   previewAmbientSoundChanged)
    Q_PROPERTY(qint64 breakPromptIndex READ breakPromptIndex WRITE setBreakPromptIndex NOTIFY
                   breakPromptIndexChanged)
    Q_PROPERTY(QStringList breakPrompts READ breakPrompts CONSTANT)
    Q_PROPERTY(bool blockYouTubeShorts READ blockYouTubeShorts WRITE setBlockYouTubeShorts NOTIFY
                   blockYouTubeShortsChanged)
    Q_PROPERTY(bool blockInstagramReels READ blockInstagramReels WRITE setBlockInstagramReels NOTIFY
                   blockInstagramReelsChanged)
    Q_PROPERTY(bool blockAdultSites READ blockAdultSites WRITE setBlockAdultSites NOTIFY
                   blockAdultSitesChanged)
    Q_PROPERTY(bool bridgeActive READ bridgeActive NOTIFY bridgeActiveChanged)
    Q_PROPERTY(bool browserAccessDenied READ browserAccessDenied NOTIFY browserAccessDeniedChanged)
    Q_PROPERTY(Quorel::ScreenTimeTrackingMode screenTimeMode READ screenTimeMode WRITE
                   setScreenTimeMode NOTIFY screenTimeModeChanged)
    Q_PROPERTY(double dailyGoalHours READ dailyGoalHours WRITE setDailyGoalHours NOTIFY
                   dailyGoalHoursChanged)
    Q_PROPERTY(qint64 focusMinutesToday READ focusMinutesToday WRITE setFocusMinutesToday NOTIFY
                   focusMinutesTodayChanged)
    Q_PROPERTY(
        qint64 sessionsToday READ sessionsToday WRITE setSessionsToday NOTIFY sessionsTodayChanged)
    Q_PROPERTY(qint64 streakDays READ streakDays WRITE setStreakDays NOTIFY streakDaysChanged)
    Q_PROPERTY(qint64 awayAfterMinutes READ awayAfterMinutes WRITE setAwayAfterMinutes NOTIFY
                   awayAfterMinutesChanged)

    // Derived values.
    Q_PROPERTY(double progress READ progress NOTIFY countdownChanged)
    Q_PROPERTY(QString formattedRemaining READ formattedRemaining NOTIFY countdownChanged)
    Q_PROPERTY(QString currentBreakPrompt READ currentBreakPrompt NOTIFY breakPromptIndexChanged)
    Q_PROPERTY(bool isLocked READ isLocked NOTIFY lockChanged)
    Q_PROPERTY(double totalScreenTimeHours READ totalScreenTimeHours NOTIFY usageChanged)

    // The lists and figures in the shapes views bind to: arrays of plain objects whose keys are
    // the record's field names, ids as upper-case text.
    Q_PROPERTY(int enabledBlockedAppCount READ enabledBlockedAppCount NOTIFY blockedAppsChanged)
    // id, name, isEnabled, dailyLimitMinutes (0 for none) of each entry, in list order.
    Q_PROPERTY(int enabledBlockedSiteCount READ enabledBlockedSiteCount NOTIFY blockedSitesChanged)
    // The target named by the main window's shield sheet; empty text when there is none.
    Q_PROPERTY(QString interceptedTargetName READ interceptedTargetName WRITE
                   setInterceptedTargetName NOTIFY interceptedTargetChanged)
    Q_PROPERTY(bool hasInterceptedTarget READ hasInterceptedTarget NOTIFY interceptedTargetChanged)
    // What the desktop channel cannot see, for a calm note on the Blockers screen; empty when
    // it sees everything.
    Q_PROPERTY(
        QString workspaceLimitation READ workspaceLimitation NOTIFY workspaceLimitationChanged)
    // Why the last save did not reach the disk; empty while saves succeed.
    Q_PROPERTY(QString saveProblem READ saveProblem NOTIFY saveProblemChanged)
    Q_PROPERTY(QString documentNotice READ documentNotice NOTIFY documentNoticeChanged)
    // Starting at login was offered once already (answered either way); false only on a new
    // install, until the user answers.
    Q_PROPERTY(bool loginStartOffered READ loginStartOffered NOTIFY loginStartOfferedChanged)
    // What the browser link cannot reach (private windows, an extension of another release),
    // a line for each browser; empty when it reaches everything it knows.
    Q_PROPERTY(QString browserNotice READ browserNotice NOTIFY browserNoticeChanged)
    // Browsers Quorel cannot guard are hidden during focus with websites blocked, not only in
    // strict focus. Saved.
    Q_PROPERTY(bool hideUnguardedBrowsers READ hideUnguardedBrowsers WRITE setHideUnguardedBrowsers
                   NOTIFY hideUnguardedBrowsersChanged)
    // Why the bridge does not listen, and where blocked pages come from instead; empty while
    // it listens.
    Q_PROPERTY(QString bridgeProblem READ bridgeProblem NOTIFY bridgeProblemChanged)

public:
    static constexpr qint64 breakSeconds = 300;
    static constexpr qint64 afterBreakSeconds = 1500;
    static constexpr int periodicSaveTicks = 15;
    static constexpr int secondHideDelayMs = 150;
    // Beats of the 0.3 s guard between two hides of an application the window manager keeps
    // in front.
    static constexpr int refusedHideRetryBeats = 10;
    // How long a browser stays in front unguarded before it is told (or hidden): its link may
    // only be reconnecting.
    static constexpr qint64 unguardedGraceMs = 3000;

    explicit FocusManager(Platform platform, QObject* parent = nullptr);
    ~FocusManager() override;

    // The live manager of this process, if any; empty before it is built and after it is gone.
    static FocusManager* shared();

    // Fields ------------------------------------------------------------------------------
    FocusPreset selectedPreset() const { return m_selectedPreset; }
    void setSelectedPreset(FocusPreset preset);
    qint64 totalSeconds() const { return m_totalSeconds; }
    void setTotalSeconds(qint64 seconds);
    qint64 remainingSeconds() const { return m_remainingSeconds; }
    void setRemainingSeconds(qint64 seconds);
    bool isRunning() const { return m_isRunning; }
    void setIsRunning(bool running);
    bool isBreak() const { return m_isBreak; }
    void setIsBreak(bool onBreak);
    bool strictMode() const { return m_strictMode; }
    void setStrictMode(bool strict);
    bool autoStartBreak() const { return m_autoStartBreak; }
    void setAutoStartBreak(bool autoStart);
    bool countdownInTray() const { return m_countdownInTray; }
    void setCountdownInTray(bool show);
    bool glassEnabled() const { return m_glassEnabled; }
    void setGlassEnabled(bool enabled);
    double glassTransparency() const { return m_glassTransparency; }
    void setGlassTransparency(double transparency);
    AppColorTheme colorTheme() const { return m_colorTheme; }
    void setColorTheme(AppColorTheme theme);
    AmbientSoundType ambientSound() const { return m_ambientSound; }
    void setAmbientSound(AmbientSoundType sound);
    double ambientVolume() const { return m_ambientVolume; }
    void setAmbientVolume(double volume);
    bool previewAmbientSound() const { return m_previewAmbientSound; }
    void setPreviewAmbientSound(bool preview);
    qint64 breakPromptIndex() const { return m_breakPromptIndex; }
    void setBreakPromptIndex(qint64 index);
    QStringList breakPrompts() const { return m_breakPrompts; }
    const QList<FocusSchedule>& schedules() const { return m_schedules; }
    void setSchedules(const QList<FocusSchedule>& schedules);
    // The schedules that have fired, each with the day its fired occurrence began.
    const QHash<QUuid, QDate>& triggeredSchedulesToday() const { return m_triggeredSchedulesToday; }
    bool blockYouTubeShorts() const { return m_blockYouTubeShorts; }
    void setBlockYouTubeShorts(bool block);
    bool blockInstagramReels() const { return m_blockInstagramReels; }
    void setBlockInstagramReels(bool block);
    bool blockAdultSites() const { return m_blockAdultSites; }
    void setBlockAdultSites(bool block);
    const QList<BlockedApp>& blockedApps() const { return m_blockedApps; }
    void setBlockedApps(const QList<BlockedApp>& apps);
    const QList<BlockedSite>& blockedSites() const { return m_blockedSites; }
    void setBlockedSites(const QList<BlockedSite>& sites);
    std::optional<QString> interceptedTarget() const { return m_interceptedTarget; }
    void setInterceptedTarget(const std::optional<QString>& target);
    bool bridgeActive() const { return m_bridgeActive; }
    void setBridgeActive(bool active);
    bool browserAccessDenied() const { return m_browserAccessDenied; }
    void setBrowserAccessDenied(bool denied);
    ScreenTimeTrackingMode screenTimeMode() const { return m_screenTimeMode; }
    void setScreenTimeMode(ScreenTimeTrackingMode mode);
    double dailyGoalHours() const { return m_dailyGoalHours; }
    void setDailyGoalHours(double hours);
    qint64 focusMinutesToday() const { return m_focusMinutesToday; }
    void setFocusMinutesToday(qint64 minutes);
    qint64 sessionsToday() const { return m_sessionsToday; }
    void setSessionsToday(qint64 sessions);
    qint64 streakDays() const { return m_streakDays; }
    void setStreakDays(qint64 days);
    // Minutes without input after which no screen time is counted; held to 1 to 60.
    qint64 awayAfterMinutes() const { return m_awayAfterMinutes; }
    void setAwayAfterMinutes(qint64 minutes);
    const SecondsMap& trackedAppSeconds() const { return m_trackedAppSeconds; }
    void setTrackedAppSeconds(const SecondsMap& map);
    const SecondsMap& trackedBlockedAppSeconds() const { return m_trackedBlockedAppSeconds; }
    void setTrackedBlockedAppSeconds(const SecondsMap& map);
    const SecondsMap& dailySecondsByDate() const { return m_dailySecondsByDate; }
    void setDailySecondsByDate(const SecondsMap& map);
    const SecondsMap& dailyBlockedSecondsByDate() const { return m_dailyBlockedSecondsByDate; }
    void setDailyBlockedSecondsByDate(const SecondsMap& map);
    const QStringList& adultDomains() const { return m_adultDomains; }
    const QString& storageKey() const { return m_storageKey; }
    qint64 saveCounter() const { return m_saveCounter; }
    bool isApplyingLoadedState() const { return m_isApplyingLoadedState; }
    const QString& saveProblem() const { return m_saveProblem; }
    // Said once a document that could not be read was moved aside: where the user finds it.
    const QString& documentNotice() const { return m_documentNotice; }
    Q_INVOKABLE void dismissDocumentNotice();
    bool loginStartOffered() const { return m_loginStartOffered; }
    // The user answered the offer to start at login; it is not made again.
    Q_INVOKABLE void markLoginStartOffered();
    bool isCheckingBrowser() const { return m_isCheckingBrowser; }
    // The bridge's port, written into blocked pages' addresses; the app sets it before any check.
    quint16 bridgePort() const { return m_bridgePort; }
    void setBridgePort(quint16 port) { m_bridgePort = port; }
    const QString& browserNotice() const { return m_browserNotice; }
    bool hideUnguardedBrowsers() const { return m_hideUnguardedBrowsers; }
    void setHideUnguardedBrowsers(bool hide);
    // What the shield says of the browser of that name that Quorel cannot guard; empty when it
    // is not one.
    QString unguardedBrowserNotice(const QString& name) const;
    // Whether browsers found unguarded are hidden now (strict focus, or as the user asked, with
    // websites blocked), and whether that application is one of them.
    bool hidingUnguardedBrowsers() const;
    bool hidesUnguardedBrowser(const RunningApplication& application) const;
    const QString& bridgeProblem() const { return m_bridgeProblem; }
    void setBridgeProblem(const QString& problem);

    // Derived values ----------------------------------------------------------------------
    // Fraction of the countdown still to go: 1 at the start, 0 at the end.
    double progress() const;
    QString formattedRemaining() const;
    QString currentBreakPrompt() const;
    // The edit lock: a strict countdown is running.
    bool isLocked() const { return m_isRunning && m_strictMode; }
    double totalScreenTimeHours() const;
    QList<AppUsageItem> topUsageItems() const;
    QList<DailyUsage> weeklyHistory() const;
    qint64 usedSecondsForApp(const QString& name) const;
    bool shouldBlockAnyOf(const QString& name, const QStringList& otherNames) const;

    // For views -----------------------------------------------------------------------------
    int enabledBlockedAppCount() const;
    int enabledBlockedSiteCount() const;
    QString interceptedTargetName() const { return m_interceptedTarget.value_or(QString()); }
    // Empty text clears the target.
    void setInterceptedTargetName(const QString& name);
    bool hasInterceptedTarget() const { return m_interceptedTarget.has_value(); }
    // A quick duration while idle: the countdown's length, rewound, out of any break, saved.
    Q_INVOKABLE void chooseDuration(qint64 seconds);
    // Switches one schedule on or off; an unknown id changes nothing.
    Q_INVOKABLE void setScheduleEnabled(const QString& id, bool enabled);
    Q_INVOKABLE void removeScheduleWithId(const QString& id);

    // Application blocking ----------------------------------------------------------------
    // The decision: during focus any enabled matching entry; outside it only an entry whose
    // daily allowance is used up.
    bool shouldBlockApp(const QString& name) const;
    // By its name or any other it is known by; never this program.
    bool shouldBlockApp(const RunningApplication& application) const;
    // The activation watcher's reaction: hide now and again 0.15 s later, and raise the shield.
    void handleActivatedApp(const RunningApplication& application);
    // The shown-window watcher's: during focus, hide once; the shield is for the front.
    void handleShownApp(const RunningApplication& application);
    // The list operations; each does nothing under the edit lock.
    Q_INVOKABLE void addApp(const QString& name);
    void removeApp(const QUuid& id);
    void setAppDailyLimit(const QUuid& id, std::optional<qint64> minutes);
    // Opens the desktop's application chooser and adds what is chosen.
    Q_INVOKABLE void chooseAppFromApplications();
    // Installed applications (desktop entries), sorted ignoring case, without this program.
    Q_INVOKABLE QStringList installedAppNames() const;
    // Running applications with an ordinary window, sorted, without this program.
    Q_INVOKABLE QStringList runningRegularAppNames() const;
    // The same operations by the id text that views hold; 0 minutes is no allowance.
    Q_INVOKABLE void removeAppWithId(const QString& id);
    Q_INVOKABLE void setAppDailyLimitWithId(const QString& id, int minutes);
    Q_INVOKABLE void setAppEnabled(const QString& id, bool enabled);
    // What the desktop channel cannot see; followed once a heartbeat, since a channel may come
    // up while Quorel runs (an extension the user enables).
    QString workspaceLimitation() const { return m_workspaceLimitation; }

    // Countdown ---------------------------------------------------------------------------
    Q_INVOKABLE void toggleStartPause();
    Q_INVOKABLE void resetTimer();
    // A quit the user asked for, and was allowed, stops the countdown, so the next start is
    // idle; a kill or a logout leaves it saved, to go on at the next start.
    void endSessionForQuit();
    Q_INVOKABLE void applyPreset(Quorel::FocusPreset preset);
    Q_INVOKABLE void nextBreakPrompt();
    void tickFocusTimer();
    void syncAmbientAudio();

    // Saved state -------------------------------------------------------------------------
    void saveState();
    // For values a slider drags through: saved at once, then at most twice a second while they
    // keep changing; saveNow() when the drag ends.
    void saveSoon();
    Q_INVOKABLE void saveNow();
    void loadState();

    // Schedules ---------------------------------------------------------------------------
    void checkSchedules();
    // A new enabled schedule on top of the list, saved. A blank title names it after its preset
    // ("Study Block"); start and end are times of day, and an end before the start wraps past
    // midnight.
    void addSchedule(const QString& title, FocusPreset preset, QTime start, QTime end);
    void removeSchedule(const QUuid& id);

    // Heartbeat and usage -----------------------------------------------------------------
    // One heartbeat: day rollover, usage, countdown or schedules, browser, periodic save.
    void tick();
    void recordFrontmostAppSecond();
    // Locked, or idle past awayAfterMinutes: time away is not screen time.
    bool isUserAway() const;
    // One beat of the fast application guard.
    void guardTick();
    // Whether the guard beats: only during focus, while a blocked application is in front.
    // Outside focus, spent allowances are enforced on the heartbeat.
    bool isGuarding() const { return m_guardTimer.isActive(); }

    // Blocking ----------------------------------------------------------------------------
    void hideAnyCurrentlyOpenBlockedApps();

    // Browser guard -----------------------------------------------------------------------
    // Once a heartbeat: when a browser is in front, its front tab is read and, if blocked, sent
    // elsewhere, on the browser worker; at most one check is in flight.
    void checkFrontBrowserTab();
    // "Test Browser Access": reads each running browser once; any refusal, or no browser
    // reachable at all while none runs, raises browserAccessDenied.
    Q_INVOKABLE void requestBrowserAccess();
    // Each browser installed or running, and how far it is guarded; refreshed by the access
    // probe and on request, read on the browser worker like it.
    const QList<BrowserStateLine>& browserStates() const { return m_browserStates; }
    void refreshBrowserStates();
    // The website list's operations; each does nothing under the edit lock.
    Q_INVOKABLE void addSite(const QString& domain);
    void removeSite(const QUuid& id);
    Q_INVOKABLE void removeSiteWithId(const QString& id);
    Q_INVOKABLE void setSiteEnabled(const QString& id, bool enabled);

signals:
    void selectedPresetChanged();
    void totalSecondsChanged();
    void remainingSecondsChanged();
    void isRunningChanged();
    void isBreakChanged();
    void strictModeChanged();
    void autoStartBreakChanged();
    void countdownInTrayChanged();
    void glassEnabledChanged();
    void glassTransparencyChanged();
    void colorThemeChanged();
    void ambientSoundChanged();
    void ambientVolumeChanged();
    void previewAmbientSoundChanged();
    void breakPromptIndexChanged();
    void schedulesChanged();
    void blockYouTubeShortsChanged();
    void blockInstagramReelsChanged();
    void blockAdultSitesChanged();
    void blockedAppsChanged();
    void blockedSitesChanged();
    void interceptedTargetChanged();
    void bridgeActiveChanged();
    void workspaceLimitationChanged();
    void browserAccessDeniedChanged();
    void browserNoticeChanged();
    void browserStatesChanged();
    void hideUnguardedBrowsersChanged();
    void bridgeProblemChanged();
    void screenTimeModeChanged();
    void dailyGoalHoursChanged();
    void focusMinutesTodayChanged();
    void sessionsTodayChanged();
    void streakDaysChanged();
    void awayAfterMinutesChanged();
    void saveProblemChanged();
    void documentNoticeChanged();
    void loginStartOfferedChanged();
    // Any of the four usage maps.
    void usageChanged();
    // totalSeconds or remainingSeconds.
    void countdownChanged();
    // isRunning or strictMode.
    void lockChanged();

private:
    void noteBrowserLink(BrowserFamily browser, const QString& notice);
    void checkBrowsers(bool reportAccess);
    void refreshBrowserNotice();
    void setupUnguardedBrowsers();
    bool guardsAgainstUnguardedBrowsers() const;
    // The application in front, as each browser check sees it, and what the check found.
    void noteFrontApplication(const std::optional<RunningApplication>& front);
    void noteFrontBrowserGuarded(const RunningApplication& browser, bool guarded);
    void recheckUnguardedBrowser(const RunningApplication& browser);
    void browserCheckDone();
    GuardSnapshot guardSnapshot() const;
    // When the running focus ends by the wall clock, ms since the epoch; 0 outside focus.
    qint64 focusEndsAt() const;
    // The rules the browsers enforce by themselves follow the lists, the switches and the
    // countdown: sent when they change, the changes of one turn of the event loop at once.
    void updateBrowserRules(bool beforeQuit = false);
    void scheduleBrowserRules();
    void setBrowserNotice(const QString& notice);
    template <typename T>
    bool assign(T& field, const T& value, void (FocusManager::*changed)());

    void setupAppWatcher();
    void startUsageTracker();
    void startFastAppGuard();
    void refreshGuard();

    void startSchedule(const FocusSchedule& schedule, qint64 minute, QDate occurrence);
    void resumeSession(const RunningSession& session);
    PersistedState snapshot(QDate today) const;
    void applyDocument(const PersistedState& document, QDate today);
    void rollOverDayIfNeeded(QDate today);
    void applyDayBook(DayBook book);
    void reportSave(bool saved);
    bool setUnreadableDocumentAside();
    const QString& stampFor(QDate date) const;
    const SecondsMap& activeDayMap() const;
    void refreshStreak();

    Platform m_platform;

    FocusPreset m_selectedPreset = FocusPreset::DeepWork;
    qint64 m_totalSeconds = 2700;
    qint64 m_remainingSeconds = 2700;
    bool m_isRunning = false;
    bool m_isBreak = false;
    bool m_strictMode = true;
    bool m_autoStartBreak = true;
    bool m_countdownInTray = true;
    bool m_glassEnabled = true;
    double m_glassTransparency = 0.35;
    AppColorTheme m_colorTheme = AppColorTheme::Ocean;
    AmbientSoundType m_ambientSound = AmbientSoundType::Off;
    double m_ambientVolume = 0.25;
    bool m_previewAmbientSound = false;
    qint64 m_breakPromptIndex = 0;
    const QStringList m_breakPrompts;
    QList<FocusSchedule> m_schedules;
    QHash<QUuid, QDate> m_triggeredSchedulesToday;
    bool m_blockYouTubeShorts = true;
    bool m_blockInstagramReels = true;
    bool m_blockAdultSites = true;
    QList<BlockedApp> m_blockedApps;
    QList<BlockedSite> m_blockedSites;
    std::optional<QString> m_interceptedTarget;
    bool m_bridgeActive = false;
    bool m_browserAccessDenied = false;
    ScreenTimeTrackingMode m_screenTimeMode = ScreenTimeTrackingMode::AllApps;
    double m_dailyGoalHours = 3.0;
    qint64 m_focusMinutesToday = 0;
    qint64 m_sessionsToday = 0;
    qint64 m_streakDays = 1;
    qint64 m_awayAfterMinutes = defaultAwayAfterMinutes;
    SecondsMap m_trackedAppSeconds;
    SecondsMap m_trackedBlockedAppSeconds;
    SecondsMap m_dailySecondsByDate;
    SecondsMap m_dailyBlockedSecondsByDate;
    const QStringList m_adultDomains;
    QTimer m_heartbeat;
    // Where the countdown stood at a moment of the monotonic clock, since it last (re)started.
    struct CountdownAnchor {
        qint64 remaining = 0;
        qint64 atMs = 0;
    };
    std::optional<CountdownAnchor> m_countdownAnchor;
    QTimer m_saveThrottle;
    bool m_savePending = false;
    QTimer m_guardTimer;
    QString m_guardHiddenKey;  // the application the guard hid last, while it stays in front
    int m_guardBeatsSinceHide = 0;
    bool m_hasAllowances = false;  // an enabled entry with a daily limit
    const QString m_storageKey = QStringLiteral("Quorel.PersistedState.v1");
    qint64 m_saveCounter = 0;
    QByteArray m_lastSavedBytes;  // what the last successful save wrote
    bool m_isApplyingLoadedState = false;
    bool m_holdingAmbientSync = false;  // several fields change; the player hears the end only
    bool m_isCheckingBrowser = false;
    // A browser told of a new front tab while a check was in flight: check again after it.
    bool m_browserRecheck = false;
    bool m_judgingAddresses = false;  // what the browsers were told last
    bool m_browserReported = false;   // a browser told of its front tab since the last check
    std::optional<BrowserRules> m_browserRules;  // what the browsers were told last
    bool m_browserRulesPending = false;
    quint16 m_bridgePort = 49152;
    QString m_workspaceLimitation;
    QMap<BrowserFamily, QString> m_browserNotices;
    struct UnguardedFront {
        QString key;
        QDateTime since;
    };
    struct UnguardedBrowser {
        QString name;
        QString notice;
    };
    std::optional<UnguardedFront> m_unguardedFront;  // a browser in front that no link answers
    QHash<QString, UnguardedBrowser> m_unguardedBrowsers;  // told this session, by key
    bool m_hideUnguardedBrowsers = false;
    QString m_browserNotice;
    QList<BrowserStateLine> m_browserStates;
    QString m_bridgeProblem;
    // Declared last, so it is destroyed first: its thread ends before anything it posts to goes.
    std::unique_ptr<BrowserWorker> m_browserWorker;

    // The local day the counters belong to, and its stamp, kept so a tick formats no date. It
    // only moves forward with the clock, so a clock set back never wipes the day.
    QDate m_currentDay;
    std::optional<DayLeft> m_dayLeft;
    QDate m_countersOwnDay;  // see DayBook
    mutable QDate m_stampDate;
    mutable QString m_stamp;
    // Days before today that count towards the streak; recomputed when they may have changed.
    qint64 m_streakRunBefore = 0;
    bool m_streakRunStale = true;
    // The stored document could not be read: keep it before the first save replaces it.
    bool m_documentNeedsSetAside = false;
    QString m_saveProblem;
    QString m_documentNotice;
    QStringList m_resetSettings;  // as shown, for the notice of a document read in part
    QJsonObject m_otherKeys;      // a later release's, saved back as they came
    bool m_loginStartOffered = false;

    static QPointer<FocusManager> s_shared;
};

}  // namespace Quorel
