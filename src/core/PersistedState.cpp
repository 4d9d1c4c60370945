#include "PersistedState.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

namespace Quorel {

QString dateStamp(QDate date) {
    // Hot path: runs every second, so no arg() chains.
    QString out;
    out.reserve(10);
    out.append(QString::number(date.isValid() ? date.year() : 0));
    out.append(QLatin1Char('-'));
    out.append(QString::number(date.isValid() ? date.month() : 0));
    out.append(QLatin1Char('-'));
    out.append(QString::number(date.isValid() ? date.day() : 0));
    return out;
}

namespace {

QJsonObject mapToJson(const SecondsMap& map) {
    QJsonObject o;
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        o.insert(it.key(), it.value());
    }
    return o;
}

template <typename T, typename F>
QJsonArray listToJson(const QList<T>& list, F toJsonOf) {
    QJsonArray a;
    for (const T& item : list) {
        a.append(toJsonOf(item));
    }
    return a;
}

// Optional keys: missing and null are both absent; anything else must decode.
bool isAbsent(const QJsonValue& v) { return v.isUndefined() || v.isNull(); }

std::optional<SecondsMap> mapFromJson(const QJsonValue& v) {
    if (!v.isObject()) {
        return std::nullopt;
    }
    const QJsonObject o = v.toObject();
    SecondsMap map;
    map.reserve(o.size());
    for (auto it = o.constBegin(); it != o.constEnd(); ++it) {
        const auto seconds = jsonInteger(it.value());
        if (!seconds) {
            return std::nullopt;
        }
        map.insert(it.key(), *seconds);
    }
    return map;
}

template <typename T, typename F>
std::optional<QList<T>> listFromJson(const QJsonValue& v, F fromJson) {
    if (!v.isArray()) {
        return std::nullopt;
    }
    const QJsonArray a = v.toArray();
    QList<T> list;
    list.reserve(a.size());
    for (const QJsonValue& element : a) {
        auto item = fromJson(element);
        if (!item) {
            return std::nullopt;
        }
        list.append(std::move(*item));
    }
    return list;
}

template <typename E>
std::optional<E> enumFromJson(const QJsonValue& v) {
    return v.isString() ? fromRawValue<E>(v.toString()) : std::nullopt;
}

// Reads one key into out. Required keys must be present and well-typed; optional keys may be
// missing or null and stay absent then.
class Reader {
public:
    explicit Reader(const QJsonObject& o) : m_object(o) {}
    bool ok() const { return m_ok; }

    template <typename T, typename Parse>
    void required(const char* key, T& out, Parse parse) {
        auto value = parse(m_object.value(QLatin1String(key)));
        if (value) {
            out = std::move(*value);
        } else {
            m_ok = false;
        }
    }

    template <typename T, typename Parse>
    void optional(const char* key, std::optional<T>& out, Parse parse) {
        const QJsonValue v = m_object.value(QLatin1String(key));
        if (isAbsent(v)) {
            return;
        }
        auto value = parse(v);
        if (value) {
            out = std::move(*value);
        } else {
            m_ok = false;
        }
    }

private:
    const QJsonObject& m_object;
    bool m_ok = true;
};

std::optional<bool> boolValue(const QJsonValue& v) {
    return v.isBool() ? std::optional<bool>(v.toBool()) : std::nullopt;
}

std::optional<double> doubleValue(const QJsonValue& v) {
    return v.isDouble() ? std::optional<double>(v.toDouble()) : std::nullopt;
}

std::optional<QString> stringValue(const QJsonValue& v) {
    return v.isString() ? std::optional<QString>(v.toString()) : std::nullopt;
}

}  // namespace

QByteArray encodePersistedState(const PersistedState& s) {
    const QJsonObject o{
        {QLatin1String("totalSeconds"), s.totalSeconds},
        {QLatin1String("strictMode"), s.strictMode},
        {QLatin1String("autoStartBreak"), s.autoStartBreak},
        {QLatin1String("showInMenuBar"), s.showInMenuBar},
        {QLatin1String("blockYouTubeShorts"), s.blockYouTubeShorts},
        {QLatin1String("blockInstagramReels"), s.blockInstagramReels},
        {QLatin1String("blockedApps"),
         listToJson(s.blockedApps, [](const BlockedApp& a) { return toJson(a); })},
        {QLatin1String("blockedSites"),
         listToJson(s.blockedSites, [](const BlockedSite& b) { return toJson(b); })},
        {QLatin1String("dailyGoalHours"), s.dailyGoalHours},
        {QLatin1String("focusMinutesToday"), s.focusMinutesToday},
        {QLatin1String("sessionsToday"), s.sessionsToday},
        {QLatin1String("streakDays"), s.streakDays},
        {QLatin1String("trackedAppSeconds"), mapToJson(s.trackedAppSeconds)},
        {QLatin1String("trackedBlockedAppSeconds"),
         mapToJson(s.trackedBlockedAppSeconds.value_or(SecondsMap{}))},
        {QLatin1String("dailySecondsByDate"),
         mapToJson(s.dailySecondsByDate.value_or(SecondsMap{}))},
        {QLatin1String("dailyBlockedSecondsByDate"),
         mapToJson(s.dailyBlockedSecondsByDate.value_or(SecondsMap{}))},
        {QLatin1String("screenTimeMode"),
         rawValue(s.screenTimeMode.value_or(ScreenTimeTrackingMode::AllApps))},
        {QLatin1String("blockAdultSites"), s.blockAdultSites.value_or(true)},
        {QLatin1String("schedules"),
         listToJson(s.schedules.value_or(QList<FocusSchedule>{}),
                    [](const FocusSchedule& f) { return toJson(f); })},
        {QLatin1String("ambientSound"), rawValue(s.ambientSound.value_or(AmbientSoundType::Off))},
        {QLatin1String("ambientVolume"), s.ambientVolume.value_or(0.25)},
        {QLatin1String("liquidGlassEnabled"), s.liquidGlassEnabled.value_or(true)},
        {QLatin1String("glassTransparency"), s.glassTransparency.value_or(0.35)},
        {QLatin1String("colorTheme"), rawValue(s.colorTheme.value_or(AppColorTheme::Ocean))},
        {QLatin1String("lastSavedDay"), s.lastSavedDay},
    };
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

std::optional<PersistedState> decodePersistedState(const QByteArray& bytes) {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()) {
        return std::nullopt;
    }
    const QJsonObject o = doc.object();
    Reader r(o);
    PersistedState s;
    r.required("totalSeconds", s.totalSeconds, jsonInteger);
    r.required("strictMode", s.strictMode, boolValue);
    r.required("autoStartBreak", s.autoStartBreak, boolValue);
    r.required("showInMenuBar", s.showInMenuBar, boolValue);
    r.required("blockYouTubeShorts", s.blockYouTubeShorts, boolValue);
    r.required("blockInstagramReels", s.blockInstagramReels, boolValue);
    r.required("blockedApps", s.blockedApps, [](const QJsonValue& v) {
        return listFromJson<BlockedApp>(v, blockedAppFromJson);
    });
    r.required("blockedSites", s.blockedSites, [](const QJsonValue& v) {
        return listFromJson<BlockedSite>(v, blockedSiteFromJson);
    });
    r.required("dailyGoalHours", s.dailyGoalHours, doubleValue);
    r.required("focusMinutesToday", s.focusMinutesToday, jsonInteger);
    r.required("sessionsToday", s.sessionsToday, jsonInteger);
    r.required("streakDays", s.streakDays, jsonInteger);
    r.required("trackedAppSeconds", s.trackedAppSeconds, mapFromJson);
    r.optional("trackedBlockedAppSeconds", s.trackedBlockedAppSeconds, mapFromJson);
    r.optional("dailySecondsByDate", s.dailySecondsByDate, mapFromJson);
    r.optional("dailyBlockedSecondsByDate", s.dailyBlockedSecondsByDate, mapFromJson);
    r.optional("screenTimeMode", s.screenTimeMode, enumFromJson<ScreenTimeTrackingMode>);
    r.optional("blockAdultSites", s.blockAdultSites, boolValue);
    r.optional("schedules", s.schedules, [](const QJsonValue& v) {
        return listFromJson<FocusSchedule>(v, focusScheduleFromJson);
    });
    r.optional("ambientSound", s.ambientSound, enumFromJson<AmbientSoundType>);
    r.optional("ambientVolume", s.ambientVolume, doubleValue);
    r.optional("liquidGlassEnabled", s.liquidGlassEnabled, boolValue);
    r.optional("glassTransparency", s.glassTransparency, doubleValue);
    r.optional("colorTheme", s.colorTheme, enumFromJson<AppColorTheme>);
    r.required("lastSavedDay", s.lastSavedDay, stringValue);
    if (!r.ok()) {
        return std::nullopt;
    }
    return s;
}

}  // namespace Quorel
