// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "PersistedState.h"

#include "JsonWriter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QSet>

#include <algorithm>

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

void writeMap(JsonWriter& out, const SecondsMap& map) {
    out.beginObject();
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        out.key(it.key());
        out.value(it.value());
    }
    out.endObject();
}

template <typename T>
void writeList(JsonWriter& out, const QList<T>& list) {
    out.beginArray();
    for (const T& item : list) {
        writeJson(out, item);
    }
    out.endArray();
}

// Optional keys: missing and null are both absent; anything else must decode.
bool isAbsent(const QJsonValue& v) {
    return v.isUndefined() || v.isNull();
}

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
// missing or null and stay absent then. A setting is one value: missing or malformed, it keeps
// its default and is noted, and the rest of the document still counts.
class Reader {
public:
    explicit Reader(const QJsonObject& o) : m_object(o) {}
    bool ok() const { return m_ok; }
    // The first key that was missing or malformed.
    const char* firstBad() const { return m_firstBad; }
    // The settings that kept their defaults.
    const QStringList& reset() const { return m_reset; }

    template <typename T, typename Parse>
    void setting(const char* key, T& out, Parse parse) {
        if (auto value = parse(m_object.value(QLatin1String(key)))) {
            out = std::move(*value);
        } else {
            m_reset.append(QLatin1String(key));
        }
    }

    template <typename T, typename Parse>
    void setting(const char* key, std::optional<T>& out, Parse parse) {
        const QJsonValue v = m_object.value(QLatin1String(key));
        if (isAbsent(v)) {
            return;
        }
        if (auto value = parse(v)) {
            out = std::move(*value);
        } else {
            m_reset.append(QLatin1String(key));
        }
    }

    template <typename T, typename Parse>
    void required(const char* key, T& out, Parse parse) {
        auto value = parse(m_object.value(QLatin1String(key)));
        if (value) {
            out = std::move(*value);
        } else {
            fail(key);
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
            fail(key);
        }
    }

private:
    void fail(const char* key) {
        if (m_ok) {
            m_firstBad = key;
        }
        m_ok = false;
    }

    const QJsonObject& m_object;
    bool m_ok = true;
    const char* m_firstBad = "";
    QStringList m_reset;
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

void writeSession(JsonWriter& out, const RunningSession& s) {
    out.beginObject();
    out.field(QLatin1String("preset"), rawValue(s.preset));
    out.field(QLatin1String("totalSeconds"), s.totalSeconds);
    out.field(QLatin1String("remainingSeconds"), s.remainingSeconds);
    out.field(QLatin1String("strictMode"), s.strictMode);
    out.field(QLatin1String("endsAt"), s.endsAt);
    out.endObject();
}

void writeDayLeft(JsonWriter& out, const DayLeft& d) {
    out.beginObject();
    out.field(QLatin1String("day"), dateStamp(d.counters.day));
    out.key(QLatin1String("trackedAppSeconds"));
    writeMap(out, d.counters.apps);
    out.key(QLatin1String("trackedBlockedAppSeconds"));
    writeMap(out, d.counters.blockedApps);
    out.field(QLatin1String("sessionsToday"), d.counters.sessions);
    out.field(QLatin1String("focusMinutesToday"), d.counters.focusMinutes);
    out.field(QLatin1String("nextDaySecondsBefore"), d.nextDaySecondsBefore);
    out.field(QLatin1String("nextDayBlockedSecondsBefore"), d.nextDayBlockedSecondsBefore);
    out.endObject();
}

// Every key this release writes.
const QSet<QString>& knownKeys() {
    static const QSet<QString> keys{
        QStringLiteral("totalSeconds"),       QStringLiteral("strictMode"),
        QStringLiteral("autoStartBreak"),     QStringLiteral("showInMenuBar"),
        QStringLiteral("blockYouTubeShorts"), QStringLiteral("blockInstagramReels"),
        QStringLiteral("blockedApps"),        QStringLiteral("blockedSites"),
        QStringLiteral("dailyGoalHours"),     QStringLiteral("focusMinutesToday"),
        QStringLiteral("sessionsToday"),      QStringLiteral("streakDays"),
        QStringLiteral("trackedAppSeconds"),  QStringLiteral("trackedBlockedAppSeconds"),
        QStringLiteral("dailySecondsByDate"), QStringLiteral("dailyBlockedSecondsByDate"),
        QStringLiteral("screenTimeMode"),     QStringLiteral("blockAdultSites"),
        QStringLiteral("schedules"),          QStringLiteral("ambientSound"),
        QStringLiteral("ambientVolume"),      QStringLiteral("liquidGlassEnabled"),
        QStringLiteral("glassTransparency"),  QStringLiteral("colorTheme"),
        QStringLiteral("lastSavedDay"),       QStringLiteral("awayAfterMinutes"),
        QStringLiteral("runningSession"),     QStringLiteral("dayLeft"),
        QStringLiteral("loginStartOffered"),  QStringLiteral("hideUnguardedBrowsers"),
    };
    return keys;
}

std::optional<DayLeft> dayLeftFromJson(const QJsonValue& v) {
    if (!v.isObject()) {
        return std::nullopt;
    }
    const QJsonObject o = v.toObject();
    Reader r(o);
    DayLeft d;
    QString day;
    r.required("day", day, stringValue);
    r.required("trackedAppSeconds", d.counters.apps, mapFromJson);
    r.required("trackedBlockedAppSeconds", d.counters.blockedApps, mapFromJson);
    r.required("sessionsToday", d.counters.sessions, jsonInteger);
    r.required("focusMinutesToday", d.counters.focusMinutes, jsonInteger);
    r.required("nextDaySecondsBefore", d.nextDaySecondsBefore, jsonInteger);
    r.required("nextDayBlockedSecondsBefore", d.nextDayBlockedSecondsBefore, jsonInteger);
    d.counters.day = dateFromStamp(day);
    if (!r.ok() || !d.counters.day.isValid()) {
        return std::nullopt;
    }
    return d;
}

std::optional<RunningSession> sessionFromJson(const QJsonValue& v) {
    if (!v.isObject()) {
        return std::nullopt;
    }
    const QJsonObject o = v.toObject();
    Reader r(o);
    RunningSession s;
    r.required("preset", s.preset, enumFromJson<FocusPreset>);
    r.required("totalSeconds", s.totalSeconds, jsonInteger);
    r.required("remainingSeconds", s.remainingSeconds, jsonInteger);
    r.required("strictMode", s.strictMode, boolValue);
    r.required("endsAt", s.endsAt, jsonInteger);
    if (!r.ok()) {
        return std::nullopt;
    }
    return s;
}

}  // namespace

std::optional<RunningSession> resumableSession(const RunningSession& saved, qint64 now) {
    if (saved.totalSeconds < 1) {
        return std::nullopt;  // no countdown Quorel runs
    }
    qint64 untilEnd = 0;
    if (__builtin_sub_overflow(saved.endsAt, now, &untilEnd)) {
        untilEnd = saved.endsAt > now ? longestSessionSeconds : 0;
    }
    RunningSession s = saved;
    s.totalSeconds = std::clamp<qint64>(saved.totalSeconds, 1, longestSessionSeconds);
    s.remainingSeconds = std::min({untilEnd, saved.remainingSeconds, s.totalSeconds});
    if (s.remainingSeconds < 1) {
        return std::nullopt;
    }
    s.endsAt = now + s.remainingSeconds;
    return s;
}

std::optional<QByteArray> encodePersistedState(const PersistedState& s) {
    const auto mapSize = [](const std::optional<SecondsMap>& m) { return m ? m->size() : 0; };
    JsonWriter out(1024 + 24 * (s.trackedAppSeconds.size() + mapSize(s.dailySecondsByDate) +
                                mapSize(s.dailyBlockedSecondsByDate)));
    const auto field = [&out](const char* key, const auto& value) {
        out.field(QLatin1String(key), value);
    };
    out.beginObject();
    field("totalSeconds", s.totalSeconds);
    field("strictMode", s.strictMode);
    field("autoStartBreak", s.autoStartBreak);
    field("showInMenuBar", s.showInMenuBar);
    field("blockYouTubeShorts", s.blockYouTubeShorts);
    field("blockInstagramReels", s.blockInstagramReels);
    out.key(QLatin1String("blockedApps"));
    writeList(out, s.blockedApps);
    out.key(QLatin1String("blockedSites"));
    writeList(out, s.blockedSites);
    field("dailyGoalHours", s.dailyGoalHours);
    field("focusMinutesToday", s.focusMinutesToday);
    field("sessionsToday", s.sessionsToday);
    field("streakDays", s.streakDays);
    out.key(QLatin1String("trackedAppSeconds"));
    writeMap(out, s.trackedAppSeconds);
    out.key(QLatin1String("trackedBlockedAppSeconds"));
    writeMap(out, s.trackedBlockedAppSeconds.value_or(SecondsMap{}));
    out.key(QLatin1String("dailySecondsByDate"));
    writeMap(out, s.dailySecondsByDate.value_or(SecondsMap{}));
    out.key(QLatin1String("dailyBlockedSecondsByDate"));
    writeMap(out, s.dailyBlockedSecondsByDate.value_or(SecondsMap{}));
    field("screenTimeMode", rawValue(s.screenTimeMode.value_or(ScreenTimeTrackingMode::AllApps)));
    field("blockAdultSites", s.blockAdultSites.value_or(true));
    out.key(QLatin1String("schedules"));
    writeList(out, s.schedules.value_or(QList<FocusSchedule>{}));
    field("ambientSound", rawValue(s.ambientSound.value_or(AmbientSoundType::Off)));
    field("ambientVolume", s.ambientVolume.value_or(0.25));
    field("liquidGlassEnabled", s.liquidGlassEnabled.value_or(true));
    field("glassTransparency", s.glassTransparency.value_or(0.35));
    field("colorTheme", rawValue(s.colorTheme.value_or(AppColorTheme::Ocean)));
    field("lastSavedDay", s.lastSavedDay);
    field("awayAfterMinutes", s.awayAfterMinutes.value_or(defaultAwayAfterMinutes));
    if (s.runningSession) {
        out.key(QLatin1String("runningSession"));
        writeSession(out, *s.runningSession);
    }
    if (s.dayLeft) {
        out.key(QLatin1String("dayLeft"));
        writeDayLeft(out, *s.dayLeft);
    }
    if (s.loginStartOffered) {
        field("loginStartOffered", *s.loginStartOffered);
    }
    if (s.hideUnguardedBrowsers) {
        field("hideUnguardedBrowsers", *s.hideUnguardedBrowsers);
    }
    // A later release's keys, so that going back a release and forth again loses nothing.
    for (auto it = s.otherKeys.constBegin(); it != s.otherKeys.constEnd(); ++it) {
        if (!knownKeys().contains(it.key())) {
            out.key(it.key());
            out.rawValue(QJsonDocument(QJsonArray{it.value()})
                             .toJson(QJsonDocument::Compact)
                             .chopped(1)
                             .mid(1));
        }
    }
    out.endObject();
    if (out.failed()) {
        return std::nullopt;
    }
    return out.take();
}

QDate dateFromStamp(QStringView stamp) {
    const QList<QStringView> parts = stamp.split(u'-');
    if (parts.size() != 3) {
        return {};
    }
    int numbers[3] = {};
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        numbers[i] = parts[i].toInt(&ok);
        if (!ok || parts[i].startsWith(u'0') || parts[i].startsWith(u'+')) {
            return {};
        }
    }
    return QDate(numbers[0], numbers[1], numbers[2]);
}

namespace {
// About 34,000 years of seconds: far beyond any real count, far below the 64-bit limit even
// summed over millions of entries.
constexpr qint64 saneCounterLimit = qint64(1) << 40;

qint64 sane(qint64 count) {
    return std::clamp<qint64>(count, 0, saneCounterLimit);
}

void makeSane(SecondsMap& map) {
    for (auto it = map.begin(); it != map.end(); ++it) {
        it.value() = sane(it.value());
    }
}
}  // namespace

PersistedState withSaneValues(PersistedState s) {
    s.totalSeconds = std::clamp<qint64>(s.totalSeconds, 1, longestSessionSeconds);
    s.dailyGoalHours = std::clamp(s.dailyGoalHours, fewestGoalHours, mostGoalHours);
    const auto hold = [](std::optional<double>& value, double lowest, double highest) {
        if (value) {
            value = std::clamp(*value, lowest, highest);
        }
    };
    hold(s.ambientVolume, quietestAmbientVolume, loudestAmbientVolume);
    hold(s.glassTransparency, leastGlassTransparency, mostGlassTransparency);
    if (s.awayAfterMinutes) {
        s.awayAfterMinutes =
            std::clamp(*s.awayAfterMinutes, fewestAwayAfterMinutes, mostAwayAfterMinutes);
    }
    s.focusMinutesToday = sane(s.focusMinutesToday);
    s.sessionsToday = sane(s.sessionsToday);
    s.streakDays = sane(s.streakDays);
    for (std::optional<SecondsMap>* map :
         {&s.trackedBlockedAppSeconds, &s.dailySecondsByDate, &s.dailyBlockedSecondsByDate}) {
        if (*map) {
            makeSane(**map);
        }
    }
    makeSane(s.trackedAppSeconds);
    if (s.dayLeft) {
        DayLeft& d = *s.dayLeft;
        makeSane(d.counters.apps);
        makeSane(d.counters.blockedApps);
        for (qint64* count : {&d.counters.sessions, &d.counters.focusMinutes,
                              &d.nextDaySecondsBefore, &d.nextDayBlockedSecondsBefore}) {
            *count = sane(*count);
        }
    }
    return s;
}

std::optional<PersistedState> decodePersistedState(const QByteArray& bytes, QString* why) {
    const auto fail = [why](const QString& reason) {
        if (why) {
            *why = reason;
        }
        return std::nullopt;
    };
    if (bytes.isEmpty()) {
        return fail(QStringLiteral("it is empty or not a file that can be read"));
    }
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError) {
        return fail(QStringLiteral("%1 at byte %2").arg(error.errorString()).arg(error.offset));
    }
    if (!doc.isObject()) {
        return fail(QStringLiteral("it is not a JSON object"));
    }
    const QJsonObject o = doc.object();
    Reader r(o);
    PersistedState s;
    r.setting("totalSeconds", s.totalSeconds, jsonInteger);
    r.setting("strictMode", s.strictMode, boolValue);
    r.setting("autoStartBreak", s.autoStartBreak, boolValue);
    r.setting("showInMenuBar", s.showInMenuBar, boolValue);
    r.setting("blockYouTubeShorts", s.blockYouTubeShorts, boolValue);
    r.setting("blockInstagramReels", s.blockInstagramReels, boolValue);
    // The user's lists and counters are the document: one that is not what it says is damage.
    r.required("blockedApps", s.blockedApps,
               [](const QJsonValue& v) { return listFromJson<BlockedApp>(v, blockedAppFromJson); });
    r.required("blockedSites", s.blockedSites, [](const QJsonValue& v) {
        return listFromJson<BlockedSite>(v, blockedSiteFromJson);
    });
    r.setting("dailyGoalHours", s.dailyGoalHours, doubleValue);
    r.setting("focusMinutesToday", s.focusMinutesToday, jsonInteger);
    r.setting("sessionsToday", s.sessionsToday, jsonInteger);
    r.setting("streakDays", s.streakDays, jsonInteger);
    r.required("trackedAppSeconds", s.trackedAppSeconds, mapFromJson);
    r.optional("trackedBlockedAppSeconds", s.trackedBlockedAppSeconds, mapFromJson);
    r.optional("dailySecondsByDate", s.dailySecondsByDate, mapFromJson);
    r.optional("dailyBlockedSecondsByDate", s.dailyBlockedSecondsByDate, mapFromJson);
    r.setting("screenTimeMode", s.screenTimeMode, enumFromJson<ScreenTimeTrackingMode>);
    r.setting("blockAdultSites", s.blockAdultSites, boolValue);
    r.optional("schedules", s.schedules, [](const QJsonValue& v) {
        return listFromJson<FocusSchedule>(v, focusScheduleFromJson);
    });
    r.setting("ambientSound", s.ambientSound, enumFromJson<AmbientSoundType>);
    r.setting("ambientVolume", s.ambientVolume, doubleValue);
    r.setting("liquidGlassEnabled", s.liquidGlassEnabled, boolValue);
    r.setting("glassTransparency", s.glassTransparency, doubleValue);
    r.setting("colorTheme", s.colorTheme, enumFromJson<AppColorTheme>);
    r.setting("awayAfterMinutes", s.awayAfterMinutes, jsonInteger);
    r.setting("hideUnguardedBrowsers", s.hideUnguardedBrowsers, boolValue);
    // Unreadable, the counters are taken as today's.
    r.setting("lastSavedDay", s.lastSavedDay, stringValue);
    if (!r.ok()) {
        return fail(
            QStringLiteral("\"%1\" is missing or malformed").arg(QLatin1String(r.firstBad())));
    }
    s.resetKeys = r.reset();
    s.runningSession = sessionFromJson(o.value(QLatin1String("runningSession")));
    s.dayLeft = dayLeftFromJson(o.value(QLatin1String("dayLeft")));
    // Like the keys above, our own: a malformed value costs the user nothing but the offer.
    s.loginStartOffered = boolValue(o.value(QLatin1String("loginStartOffered")));
    for (auto it = o.constBegin(); it != o.constEnd(); ++it) {
        if (!knownKeys().contains(it.key())) {
            s.otherKeys.insert(it.key(), it.value());
        }
    }
    return s;
}

}  // namespace Quorel
