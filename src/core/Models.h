// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QJsonObject>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <array>
#include <optional>
#include <string_view>
#include <utility>

namespace Quorel {
Q_NAMESPACE

// The raw value of each case is at once its display title, its identity and its JSON value.

enum class FocusPreset { DeepWork, Study, WindDown };
Q_ENUM_NS(FocusPreset)

enum class AppColorTheme { Ocean, Aurora, Emerald, Sunset, Rose };
Q_ENUM_NS(AppColorTheme)

enum class AmbientSoundType { Off, Rain, Lofi, Zen };
Q_ENUM_NS(AmbientSoundType)

enum class ScreenTimeTrackingMode { BlockedAppsOnly, AllApps };
Q_ENUM_NS(ScreenTimeTrackingMode)

template <typename E>
struct EnumCases;

template <>
struct EnumCases<FocusPreset> {
    static constexpr std::array<std::pair<FocusPreset, std::u16string_view>, 3> all{{
        {FocusPreset::DeepWork, u"Deep Work"},
        {FocusPreset::Study, u"Study"},
        {FocusPreset::WindDown, u"Wind Down"},
    }};
};

template <>
struct EnumCases<AppColorTheme> {
    static constexpr std::array<std::pair<AppColorTheme, std::u16string_view>, 5> all{{
        {AppColorTheme::Ocean, u"Ocean Blue"},
        {AppColorTheme::Aurora, u"Aurora Violet"},
        {AppColorTheme::Emerald, u"Emerald Mint"},
        {AppColorTheme::Sunset, u"Sunset Amber"},
        {AppColorTheme::Rose, u"Rose Quartz"},
    }};
};

template <>
struct EnumCases<AmbientSoundType> {
    static constexpr std::array<std::pair<AmbientSoundType, std::u16string_view>, 4> all{{
        {AmbientSoundType::Off, u"Off"},
        {AmbientSoundType::Rain, u"Soft Rain"},
        {AmbientSoundType::Lofi, u"Lo-Fi Chords"},
        {AmbientSoundType::Zen, u"Zen Chimes"},
    }};
};

template <>
struct EnumCases<ScreenTimeTrackingMode> {
    static constexpr std::array<std::pair<ScreenTimeTrackingMode, std::u16string_view>, 2> all{{
        {ScreenTimeTrackingMode::BlockedAppsOnly, u"Blocked App Usage Time"},
        {ScreenTimeTrackingMode::AllApps, u"All Apps Usage Time"},
    }};
};

inline QString textOf(std::u16string_view text) {
    return QString(reinterpret_cast<const QChar*>(text.data()), qsizetype(text.size()));
}

template <typename E>
QString rawValue(E value) {
    for (const auto& [c, raw] : EnumCases<E>::all) {
        if (c == value) {
            return textOf(raw);
        }
    }
    return {};
}

// Every case's raw value, in declaration order: what pickers list.
template <typename E>
QStringList allRawValues() {
    QStringList values;
    for (const auto& entry : EnumCases<E>::all) {
        values.append(textOf(entry.second));
    }
    return values;
}

// Exact, case-sensitive match against the raw values; anything else is no case.
template <typename E>
std::optional<E> fromRawValue(QStringView text) {
    for (const auto& [c, raw] : EnumCases<E>::all) {
        if (text == QStringView(raw.data(), qsizetype(raw.size()))) {
            return c;
        }
    }
    return std::nullopt;
}

qint64 sessionLengthSeconds(FocusPreset preset);
// The longest countdown Quorel starts: a schedule's window, cut at three hours. The presets and
// quick durations are shorter.
inline constexpr qint64 longestSessionSeconds = 10800;
bool strictWhenApplied(FocusPreset preset);

struct FocusSchedule {
    QUuid id;
    QString title;
    FocusPreset preset = FocusPreset::DeepWork;
    qint64 startHour = 0;
    qint64 startMinute = 0;
    qint64 endHour = 0;
    qint64 endMinute = 0;
    bool isEnabled = false;

    bool operator==(const FocusSchedule&) const = default;
};

struct BlockedApp {
    QUuid id;
    QString name;
    bool isEnabled = true;
    std::optional<qint64> dailyLimitMinutes;

    bool operator==(const BlockedApp&) const = default;
};

struct BlockedSite {
    QUuid id;
    QString domain;
    bool isEnabled = true;

    bool operator==(const BlockedSite&) const = default;
};

struct AppUsageItem {
    QUuid id = QUuid::createUuid();
    QString name;
    qint64 seconds = 0;
};

struct DailyUsage {
    QUuid id = QUuid::createUuid();
    QString day;
    double hours = 0;
};

struct ShieldTarget {
    QUuid id = QUuid::createUuid();
    QString name;
};

// Upper-case 36-character form, as the saved document carries it.
QString uuidText(const QUuid& id);
std::optional<QUuid> uuidFromText(const QString& text);

class JsonWriter;
void writeJson(JsonWriter& out, const FocusSchedule& schedule);
void writeJson(JsonWriter& out, const BlockedApp& app);
void writeJson(JsonWriter& out, const BlockedSite& site);

// A missing required key, a wrong JSON type or an unknown preset is no record at all.
std::optional<FocusSchedule> focusScheduleFromJson(const QJsonValue& value);
std::optional<BlockedApp> blockedAppFromJson(const QJsonValue& value);
std::optional<BlockedSite> blockedSiteFromJson(const QJsonValue& value);

// JSON integer: a number with no fractional part that fits 64 bits.
std::optional<qint64> jsonInteger(const QJsonValue& value);

}  // namespace Quorel
