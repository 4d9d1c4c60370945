// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Saving the state as one document and applying it at start.
#include "FocusManager.h"

namespace Quorel {

PersistedState FocusManager::snapshot(QDate today) const {
    PersistedState s;
    s.totalSeconds = m_totalSeconds;
    s.strictMode = m_strictMode;
    s.autoStartBreak = m_autoStartBreak;
    s.showInMenuBar = m_countdownInTray;
    s.blockYouTubeShorts = m_blockYouTubeShorts;
    s.blockInstagramReels = m_blockInstagramReels;
    s.blockedApps = m_blockedApps;
    s.blockedSites = m_blockedSites;
    s.dailyGoalHours = m_dailyGoalHours;
    s.focusMinutesToday = m_focusMinutesToday;
    s.sessionsToday = m_sessionsToday;
    s.streakDays = m_streakDays;
    s.trackedAppSeconds = m_trackedAppSeconds;
    s.trackedBlockedAppSeconds = m_trackedBlockedAppSeconds;
    s.dailySecondsByDate = m_dailySecondsByDate;
    s.dailyBlockedSecondsByDate = m_dailyBlockedSecondsByDate;
    s.screenTimeMode = m_screenTimeMode;
    s.blockAdultSites = m_blockAdultSites;
    s.schedules = m_schedules;
    s.ambientSound = m_ambientSound;
    s.ambientVolume = m_ambientVolume;
    s.liquidGlassEnabled = m_glassEnabled;
    s.glassTransparency = m_glassTransparency;
    s.colorTheme = m_colorTheme;
    s.lastSavedDay = stampFor(today);
    s.awayAfterMinutes = m_awayAfterMinutes;
    s.dayLeft = m_dayLeft;
    s.loginStartOffered = m_loginStartOffered;
    s.hideUnguardedBrowsers = m_hideUnguardedBrowsers;
    s.otherKeys = m_otherKeys;
    // Written afresh by every save, so the end follows the countdown, which counts the time the
    // machine ran: after a suspend the countdown has not moved, nor, by the next save, the end.
    if (m_isRunning && !m_isBreak && m_remainingSeconds >= 1) {
        s.runningSession = RunningSession{
            .preset = m_selectedPreset,
            .totalSeconds = m_totalSeconds,
            .remainingSeconds = m_remainingSeconds,
            .strictMode = m_strictMode,
            .endsAt = m_platform.clock.now().toSecsSinceEpoch() + m_remainingSeconds,
        };
    }
    return s;
}

void FocusManager::saveState() {
    if (m_isApplyingLoadedState) {
        return;
    }
    // Never replace what the user had without keeping it; tried again on the next save.
    if (m_documentNeedsSetAside && !setUnreadableDocumentAside()) {
        reportSave(false);
        return;
    }
    // Stamped with the day the counters belong to, which is not yet today in the first moments
    // after midnight (or after a wake from suspend) before the heartbeat rolls the day over.
    const std::optional<QByteArray> bytes = encodePersistedState(snapshot(m_currentDay));
    if (!bytes) {
        return;  // the previous document stays
    }
    // An idle app would otherwise write and sync the same bytes every periodic save.
    if (*bytes == m_lastSavedBytes) {
        return;
    }
    const bool saved = m_platform.preferences.setData(m_storageKey, *bytes);
    m_lastSavedBytes = saved ? *bytes : QByteArray();
    reportSave(saved);
}

void FocusManager::saveSoon() {
    if (m_saveThrottle.isActive()) {
        m_savePending = true;
        return;
    }
    saveState();
    m_saveThrottle.start();
}

void FocusManager::saveNow() {
    m_savePending = false;
    m_saveThrottle.stop();
    saveState();
}

void FocusManager::reportSave(bool saved) {
    // Told once per spell of failures; the periodic save keeps retrying meanwhile.
    const QString problem =
        saved ? QString()
              : QStringLiteral(
                    "Quorel can't save your settings and history right now. It keeps "
                    "trying; check that your disk has free space and can be written.");
    if (problem == m_saveProblem) {
        return;
    }
    if (!saved) {
        qWarning("Quorel: saving failed: %s", qUtf8Printable(m_platform.preferences.lastError()));
    } else {
        qInfo("Quorel: saving works again");
    }
    m_saveProblem = problem;
    emit saveProblemChanged();
}

namespace {
// The settings by the names their controls show, each in quotes; counters and dates by what
// they hold.
QStringList settingNames(const QStringList& keys) {
    static const QHash<QString, QString> shown{
        {QStringLiteral("totalSeconds"), QStringLiteral("the focus length")},
        {QStringLiteral("strictMode"), QStringLiteral("\"Strict Mode\"")},
        {QStringLiteral("autoStartBreak"), QStringLiteral("\"Auto-start 5m break after focus\"")},
        {QStringLiteral("showInMenuBar"),
         QStringLiteral("\"Show live countdown in the system tray\"")},
        {QStringLiteral("blockYouTubeShorts"), QStringLiteral("\"Block YouTube Shorts\"")},
        {QStringLiteral("blockInstagramReels"), QStringLiteral("\"Block Instagram Reels\"")},
        {QStringLiteral("blockAdultSites"), QStringLiteral("\"Block 18+ Websites (24/7)\"")},
        {QStringLiteral("dailyGoalHours"), QStringLiteral("\"Daily Screen Time Goal\"")},
        {QStringLiteral("screenTimeMode"), QStringLiteral("\"Usage Mode\"")},
        {QStringLiteral("ambientSound"), QStringLiteral("\"Sound\"")},
        {QStringLiteral("ambientVolume"), QStringLiteral("\"Volume\"")},
        {QStringLiteral("liquidGlassEnabled"), QStringLiteral("\"Glass Theme\"")},
        {QStringLiteral("glassTransparency"), QStringLiteral("the glass transparency")},
        {QStringLiteral("colorTheme"), QStringLiteral("\"Color Theme\"")},
        {QStringLiteral("awayAfterMinutes"), QStringLiteral("\"Count as away after\"")},
        {QStringLiteral("hideUnguardedBrowsers"),
         QStringLiteral("\"Hide browsers Quorel can't guard\"")},
        {QStringLiteral("lastSavedDay"), QStringLiteral("the day of today's figures")},
    };
    QStringList names;
    for (const QString& key : keys) {
        names.append(shown.value(key, QStringLiteral("today's figures")));
    }
    names.removeDuplicates();
    return names;
}
}  // namespace

bool FocusManager::setUnreadableDocumentAside() {
    const std::optional<QString> aside = m_platform.preferences.setAside(m_storageKey);
    if (!aside) {
        return false;
    }
    m_documentNeedsSetAside = false;
    if (!aside->isEmpty()) {
        qWarning("Quorel: the document as it was read is kept as %s", qUtf8Printable(*aside));
        m_documentNotice = m_resetSettings.isEmpty()
                               ? QStringLiteral(
                                     "Quorel couldn't read its saved settings and history, so it "
                                     "started afresh. The old file is kept as %1.")
                                     .arg(*aside)
                               : QStringLiteral(
                                     "Quorel couldn't read %1 in its saved settings, so %2 back "
                                     "to the default. Everything else is as you left it; the old "
                                     "file is kept as %3.")
                                     .arg(m_resetSettings.join(QStringLiteral(", ")),
                                          m_resetSettings.size() == 1 ? QStringLiteral("it is")
                                                                      : QStringLiteral("they are"),
                                          *aside);
        emit documentNoticeChanged();
    }
    return true;
}

void FocusManager::dismissDocumentNotice() {
    if (!m_documentNotice.isEmpty()) {
        m_documentNotice.clear();
        emit documentNoticeChanged();
    }
}

void FocusManager::markLoginStartOffered() {
    if (!m_loginStartOffered) {
        m_loginStartOffered = true;
        emit loginStartOfferedChanged();
    }
    saveState();
}

void FocusManager::loadState() {
    const std::optional<QByteArray> bytes = m_platform.preferences.data(m_storageKey);
    if (!bytes) {
        return;
    }
    // Anyone with a document, even one that cannot be read, has used Quorel before: the offer
    // to start at login is for new installs only.
    m_loginStartOffered = true;
    QString why;
    const std::optional<PersistedState> document = decodePersistedState(*bytes, &why);
    if (bytes->isEmpty() && !m_platform.preferences.readError().isEmpty()) {
        why = m_platform.preferences.readError();
    }
    if (!document) {
        qWarning("Quorel: the saved document cannot be read (%s); Quorel starts afresh",
                 qUtf8Printable(why));
        // Moved aside at once, so the user hears of it now; failing that, before the first save.
        m_documentNeedsSetAside = true;
        setUnreadableDocumentAside();
        return;
    }
    const QDateTime now = m_platform.clock.now();
    // Focus that was running when Quorel was killed goes on; one whose end has passed while
    // Quorel was away is over, and uncounted: nothing saw it through.
    const std::optional<RunningSession> session =
        document->runningSession
            ? resumableSession(*document->runningSession, now.toSecsSinceEpoch())
            : std::nullopt;
    m_isApplyingLoadedState = true;
    applyDocument(withSaneValues(*document), now.date());
    if (session) {
        resumeSession(*session);
    }
    m_isApplyingLoadedState = false;
    if (!document->resetKeys.isEmpty()) {
        // A setting a later release wrote, or a damaged one: it alone takes its default. The
        // file as it was is kept once, and the rest is saved at once without it.
        qWarning("Quorel: saved settings reset to their defaults: %s",
                 qUtf8Printable(document->resetKeys.join(QStringLiteral(", "))));
        m_resetSettings = settingNames(document->resetKeys);
        m_documentNeedsSetAside = true;
        setUnreadableDocumentAside();
        saveState();
    }
    if (session) {
        // As when focus starts: what is already open goes, not only what comes to the front.
        hideAnyCurrentlyOpenBlockedApps();
    }
}

void FocusManager::applyDocument(const PersistedState& d, QDate today) {
    setTotalSeconds(d.totalSeconds);
    setRemainingSeconds(d.totalSeconds);

    setStrictMode(d.strictMode);
    setAutoStartBreak(d.autoStartBreak);
    setCountdownInTray(d.showInMenuBar);
    setBlockYouTubeShorts(d.blockYouTubeShorts);
    setBlockInstagramReels(d.blockInstagramReels);
    setBlockAdultSites(d.blockAdultSites.value_or(true));
    setBlockedApps(d.blockedApps);
    setBlockedSites(d.blockedSites);
    setDailyGoalHours(d.dailyGoalHours);
    setStreakDays(d.streakDays);
    setScreenTimeMode(d.screenTimeMode.value_or(ScreenTimeTrackingMode::AllApps));
    setDailySecondsByDate(d.dailySecondsByDate.value_or(SecondsMap{}));
    setDailyBlockedSecondsByDate(d.dailyBlockedSecondsByDate.value_or(SecondsMap{}));
    if (d.schedules) {
        setSchedules(*d.schedules);
    }

    setAmbientSound(d.ambientSound.value_or(AmbientSoundType::Off));
    setAmbientVolume(d.ambientVolume.value_or(0.25));

    setGlassEnabled(d.liquidGlassEnabled.value_or(true));
    setGlassTransparency(d.glassTransparency.value_or(0.35));
    setColorTheme(d.colorTheme.value_or(AppColorTheme::Ocean));
    m_loginStartOffered = d.loginStartOffered.value_or(true);
    setHideUnguardedBrowsers(d.hideUnguardedBrowsers.value_or(false));
    setAwayAfterMinutes(d.awayAfterMinutes.value_or(defaultAwayAfterMinutes));
    m_otherKeys = d.otherKeys;

    // The saved day's counters, moved to today as a running Quorel would have moved them: a
    // later day keeps them as the day left, a day that cannot be read takes them as today's.
    const QDate savedDay = dateFromStamp(d.lastSavedDay);
    DayBook book{.current = {savedDay.isValid() ? savedDay : today, d.trackedAppSeconds,
                             d.trackedBlockedAppSeconds.value_or(SecondsMap{}), d.sessionsToday,
                             d.focusMinutesToday},
                 .left = savedDay.isValid() ? d.dayLeft : std::nullopt,
                 .daily = m_dailySecondsByDate,
                 .dailyBlocked = m_dailyBlockedSecondsByDate,
                 .countersOwnDay = {}};
    applyDayBook(moveToDay(std::move(book), today));
    refreshStreak();
}

}  // namespace Quorel
