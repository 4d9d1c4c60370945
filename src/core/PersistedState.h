// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "Models.h"

#include <QByteArray>
#include <QDate>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace Quorel {

using SecondsMap = QHash<QString, qint64>;

// Minutes without input after which the user counts as away: the default, and the range the
// setting is held to.
inline constexpr qint64 defaultAwayAfterMinutes = 5;
inline constexpr qint64 fewestAwayAfterMinutes = 1;
inline constexpr qint64 mostAwayAfterMinutes = 60;
// What the other numeric settings' controls allow; a saved value outside is held to it on load.
inline constexpr double fewestGoalHours = 1.0;
inline constexpr double mostGoalHours = 6.0;
inline constexpr double quietestAmbientVolume = 0.05;
inline constexpr double loudestAmbientVolume = 0.7;
inline constexpr double leastGlassTransparency = 0.05;
inline constexpr double mostGlassTransparency = 0.85;

// A focus countdown that was running when the document was saved, kept so that a start after a
// kill, a crash or a power cut picks it up again instead of leaving strict mode behind.
struct RunningSession {
    FocusPreset preset = FocusPreset::DeepWork;
    qint64 totalSeconds = 0;
    // What was left at the moment of saving.
    qint64 remainingSeconds = 0;
    bool strictMode = true;
    // Wall-clock end, in seconds since 1970 UTC: a change of time zone moves nothing.
    qint64 endsAt = 0;

    bool operator==(const RunningSession&) const = default;
};

// The counters that are "today" on one day.
struct DayCounters {
    QDate day;
    SecondsMap apps;
    SecondsMap blockedApps;
    qint64 sessions = 0;
    qint64 focusMinutes = 0;

    bool operator==(const DayCounters&) const = default;
};

// The day the clock left last, kept so that a clock corrected back to it returns there with
// its counters, and what the daily totals of the day after it held when the clock arrived
// there: only what came later moves back with it.
struct DayLeft {
    DayCounters counters;
    qint64 nextDaySecondsBefore = 0;
    qint64 nextDayBlockedSecondsBefore = 0;

    bool operator==(const DayLeft&) const = default;
};

// The saved document. Optional keys are optional here too; a save always fills them all. Fields
// carry their keys' names, which users' files hold: showInMenuBar is the countdown in the tray,
// liquidGlassEnabled the glass theme.
struct PersistedState {
    qint64 totalSeconds = 2700;
    bool strictMode = true;
    bool autoStartBreak = true;
    bool showInMenuBar = true;
    bool blockYouTubeShorts = true;
    bool blockInstagramReels = true;
    QList<BlockedApp> blockedApps;
    QList<BlockedSite> blockedSites;
    double dailyGoalHours = 3.0;
    qint64 focusMinutesToday = 0;
    qint64 sessionsToday = 0;
    qint64 streakDays = 1;
    SecondsMap trackedAppSeconds;
    std::optional<SecondsMap> trackedBlockedAppSeconds;
    std::optional<SecondsMap> dailySecondsByDate;
    std::optional<SecondsMap> dailyBlockedSecondsByDate;
    std::optional<ScreenTimeTrackingMode> screenTimeMode;
    std::optional<bool> blockAdultSites;
    std::optional<QList<FocusSchedule>> schedules;
    std::optional<AmbientSoundType> ambientSound;
    std::optional<double> ambientVolume;
    std::optional<bool> liquidGlassEnabled;
    std::optional<double> glassTransparency;
    std::optional<AppColorTheme> colorTheme;
    QString lastSavedDay;
    // Only while focus runs. Older releases ignore the key; a malformed one is no session.
    std::optional<RunningSession> runningSession;
    // Older releases ignore the key; a malformed one is no day left.
    std::optional<DayLeft> dayLeft;
    // Whether starting at login was offered. Older documents lack it; their users are not new,
    // so absent counts as offered.
    std::optional<bool> loginStartOffered;
    // Minutes without input after which the user counts as away. Older documents lack it; a
    // malformed value counts as absent, since a setting this small is not worth the rest.
    std::optional<qint64> awayAfterMinutes;
    // Hide browsers Quorel cannot guard outside strict focus too. Older documents lack it; a
    // malformed value counts as absent (off).
    std::optional<bool> hideUnguardedBrowsers;

    // Read, not saved as such: the settings whose saved value could not be read and that took
    // their defaults instead, by key.
    QStringList resetKeys;
    // Keys this release does not know (a later one wrote them), written back as they came.
    QJsonObject otherKeys;
};

// Year, month and day without leading zeros, joined by "-": 2026-1-5.
QString dateStamp(QDate date);

// The day a stamp names; invalid for anything dateStamp would not write.
QDate dateFromStamp(QStringView stamp);

// The document with every counter held to a range its sums cannot overflow (negative counts
// become 0, absurdly large ones the largest sane value) and every numeric setting to what its
// control allows. A hand-edited or damaged file cannot turn the figures negative.
PersistedState withSaneValues(PersistedState state);

// What is left of a saved session at now (seconds since 1970 UTC); nullopt once its end has
// passed. Never more than it had left when saved, so a clock set back does not lengthen it, and
// never more than the longest session Quorel starts, so a hand-edited end years away cannot
// lock the user out: no longer session can be genuine.
std::optional<RunningSession> resumableSession(const RunningSession& saved, qint64 now);

// Compact JSON with the 25 keys and the away threshold, the running session while there is one
// and the day left when there is one; nullopt when a value has no JSON form (a NaN setting).
std::optional<QByteArray> encodePersistedState(const PersistedState& state);

// Anything but a well-formed document (bad JSON, a missing required key, a wrong type, an
// unknown enumeration value anywhere) gives nullopt. The running session is the exception: a
// malformed one is dropped and the rest of the document still loads. why, when given, is told
// what was wrong, for the log.
std::optional<PersistedState> decodePersistedState(const QByteArray& bytes, QString* why = nullptr);

}  // namespace Quorel
