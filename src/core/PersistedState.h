#pragma once

#include "Models.h"

#include <QByteArray>
#include <QDate>
#include <QHash>
#include <QList>
#include <QString>

#include <optional>

namespace Quorel {

using SecondsMap = QHash<QString, qint64>;

// The saved document. Optional keys are optional here too; a save always fills them all.
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
};

// Year, month and day without leading zeros, joined by "-": 2026-1-5.
QString dateStamp(QDate date);

// The day a stamp names; invalid for anything dateStamp would not write.
QDate dateFromStamp(QStringView stamp);

// The document with every counter held to a range its sums cannot overflow: negative counts
// become 0, absurdly large ones the largest sane value. A hand-edited or damaged file cannot
// turn the figures negative.
PersistedState withSaneCounters(PersistedState state);

// Compact JSON with all 25 keys; nullopt when a value has no JSON form (a NaN setting).
std::optional<QByteArray> encodePersistedState(const PersistedState& state);

// Anything but a well-formed document (bad JSON, a missing required key, a wrong type, an
// unknown enumeration value anywhere) gives nullopt.
std::optional<PersistedState> decodePersistedState(const QByteArray& bytes);

}  // namespace Quorel
