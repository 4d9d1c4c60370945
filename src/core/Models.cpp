// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "Models.h"

#include "JsonWriter.h"

#include <QJsonValue>

#include <limits>

namespace Quorel {

qint64 sessionLengthSeconds(FocusPreset preset) {
    switch (preset) {
        case FocusPreset::DeepWork:
            return 2700;
        case FocusPreset::Study:
            return 1500;
        case FocusPreset::WindDown:
            return 3600;
    }
    return 2700;
}

bool strictWhenApplied(FocusPreset preset) {
    return preset != FocusPreset::Study;
}

QString uuidText(const QUuid& id) {
    return id.toString(QUuid::WithoutBraces).toUpper();
}

std::optional<QUuid> uuidFromText(const QString& text) {
    if (text.size() != 36) {
        return std::nullopt;
    }
    const QUuid id = QUuid::fromString(text);
    if (id.isNull() && text != QLatin1String("00000000-0000-0000-0000-000000000000")) {
        return std::nullopt;
    }
    return id;
}

std::optional<qint64> jsonInteger(const QJsonValue& value) {
    if (!value.isDouble()) {
        return std::nullopt;
    }
    // Qt keeps integral JSON numbers as 64-bit integers; toInteger refuses anything else.
    constexpr qint64 sentinel = std::numeric_limits<qint64>::min();
    const qint64 integer = value.toInteger(sentinel);
    if (integer == sentinel) {
        const double d = value.toDouble();
        if (d != -9223372036854775808.0) {
            return std::nullopt;
        }
    }
    return integer;
}

namespace {

std::optional<QString> stringField(const QJsonObject& o, QLatin1String key) {
    const QJsonValue v = o.value(key);
    if (!v.isString()) {
        return std::nullopt;
    }
    return v.toString();
}

std::optional<bool> boolField(const QJsonObject& o, QLatin1String key) {
    const QJsonValue v = o.value(key);
    if (!v.isBool()) {
        return std::nullopt;
    }
    return v.toBool();
}

std::optional<qint64> intField(const QJsonObject& o, QLatin1String key) {
    return jsonInteger(o.value(key));
}

std::optional<QUuid> idField(const QJsonObject& o) {
    const auto text = stringField(o, QLatin1String("id"));
    return text ? uuidFromText(*text) : std::nullopt;
}

}  // namespace

void writeJson(JsonWriter& out, const FocusSchedule& s) {
    out.beginObject();
    out.field(QLatin1String("id"), uuidText(s.id));
    out.field(QLatin1String("title"), s.title);
    out.field(QLatin1String("preset"), rawValue(s.preset));
    out.field(QLatin1String("startHour"), s.startHour);
    out.field(QLatin1String("startMinute"), s.startMinute);
    out.field(QLatin1String("endHour"), s.endHour);
    out.field(QLatin1String("endMinute"), s.endMinute);
    out.field(QLatin1String("isEnabled"), s.isEnabled);
    out.endObject();
}

void writeJson(JsonWriter& out, const BlockedApp& app) {
    out.beginObject();
    out.field(QLatin1String("id"), uuidText(app.id));
    out.field(QLatin1String("name"), app.name);
    out.field(QLatin1String("isEnabled"), app.isEnabled);
    if (app.dailyLimitMinutes) {
        out.field(QLatin1String("dailyLimitMinutes"), *app.dailyLimitMinutes);
    }
    out.endObject();
}

void writeJson(JsonWriter& out, const BlockedSite& site) {
    out.beginObject();
    out.field(QLatin1String("id"), uuidText(site.id));
    out.field(QLatin1String("domain"), site.domain);
    out.field(QLatin1String("isEnabled"), site.isEnabled);
    out.endObject();
}

std::optional<FocusSchedule> focusScheduleFromJson(const QJsonValue& value) {
    if (!value.isObject()) {
        return std::nullopt;
    }
    const QJsonObject o = value.toObject();
    const auto id = idField(o);
    const auto title = stringField(o, QLatin1String("title"));
    const auto presetText = stringField(o, QLatin1String("preset"));
    const auto preset = presetText ? fromRawValue<FocusPreset>(*presetText) : std::nullopt;
    const auto startHour = intField(o, QLatin1String("startHour"));
    const auto startMinute = intField(o, QLatin1String("startMinute"));
    const auto endHour = intField(o, QLatin1String("endHour"));
    const auto endMinute = intField(o, QLatin1String("endMinute"));
    const auto isEnabled = boolField(o, QLatin1String("isEnabled"));
    if (!id || !title || !preset || !startHour || !startMinute || !endHour || !endMinute ||
        !isEnabled) {
        return std::nullopt;
    }
    return FocusSchedule{*id,          *title,   *preset,    *startHour,
                         *startMinute, *endHour, *endMinute, *isEnabled};
}

std::optional<BlockedApp> blockedAppFromJson(const QJsonValue& value) {
    if (!value.isObject()) {
        return std::nullopt;
    }
    const QJsonObject o = value.toObject();
    const auto id = idField(o);
    const auto name = stringField(o, QLatin1String("name"));
    const auto isEnabled = boolField(o, QLatin1String("isEnabled"));
    if (!id || !name || !isEnabled) {
        return std::nullopt;
    }
    BlockedApp app{*id, *name, *isEnabled, std::nullopt};
    const QJsonValue limit = o.value(QLatin1String("dailyLimitMinutes"));
    if (!limit.isUndefined() && !limit.isNull()) {
        app.dailyLimitMinutes = jsonInteger(limit);
        if (!app.dailyLimitMinutes) {
            return std::nullopt;
        }
    }
    return app;
}

std::optional<BlockedSite> blockedSiteFromJson(const QJsonValue& value) {
    if (!value.isObject()) {
        return std::nullopt;
    }
    const QJsonObject o = value.toObject();
    const auto id = idField(o);
    const auto domain = stringField(o, QLatin1String("domain"));
    const auto isEnabled = boolField(o, QLatin1String("isEnabled"));
    if (!id || !domain || !isEnabled) {
        return std::nullopt;
    }
    return BlockedSite{*id, *domain, *isEnabled};
}

}  // namespace Quorel
