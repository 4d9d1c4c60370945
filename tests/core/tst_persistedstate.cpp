// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "Fakes.h"
#include "JsonWriter.h"
#include "PersistedState.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>

using namespace Quorel;

namespace {

QByteArray golden() {
    QFile file(QStringLiteral(QUOREL_FIXTURES "/golden-document.json"));
    if (!file.open(QIODevice::ReadOnly)) {
        qFatal("golden document missing");
    }
    return file.readAll();
}

template <typename T>
QJsonObject toJson(const T& record) {
    JsonWriter out;
    writeJson(out, record);
    return QJsonDocument::fromJson(out.take()).object();
}

QJsonObject goldenObject() {
    return QJsonDocument::fromJson(golden()).object();
}

QByteArray withChange(const std::function<void(QJsonObject&)>& change) {
    QJsonObject o = goldenObject();
    change(o);
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

const QStringList allKeys = {
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
    QStringLiteral("lastSavedDay"),
};
const QStringList optionalKeys = allKeys.mid(13, 11);

}  // namespace

class TestPersistedState : public QObject {
    Q_OBJECT

private slots:
    void goldenDocumentDecodesToItsFields() {
        const auto d = decodePersistedState(golden());
        QVERIFY(d);
        QCOMPARE(d->totalSeconds, 1500);
        QVERIFY(!d->strictMode);
        QVERIFY(!d->blockYouTubeShorts);
        QCOMPARE(d->blockedApps.size(), 3);
        QCOMPARE(d->blockedApps[0].id,
                 QUuid(QStringLiteral("6f9619ff-8b86-d011-b42d-00c04fc964ff")));
        QCOMPARE(d->blockedApps[0].dailyLimitMinutes, std::optional<qint64>(15));
        QCOMPARE(d->blockedApps[1].dailyLimitMinutes, std::nullopt);
        QVERIFY(!d->blockedApps[1].isEnabled);
        QCOMPARE(d->blockedApps[2].dailyLimitMinutes, std::nullopt);  // null is absent
        QCOMPARE(d->blockedSites[1].domain, QStringLiteral("news.example.org"));
        QCOMPARE(d->dailyGoalHours, 4.5);
        QCOMPARE(d->trackedAppSeconds.value(QStringLiteral("Chromium Web Browser")), 1800);
        QCOMPARE(d->dailySecondsByDate->value(QStringLiteral("2026-12-5")), 7200);
        QCOMPARE(d->screenTimeMode, ScreenTimeTrackingMode::BlockedAppsOnly);
        QCOMPARE(d->blockAdultSites, false);
        QCOMPARE(d->schedules->size(), 1);
        const FocusSchedule& s = d->schedules->first();
        QCOMPARE(s.preset, FocusPreset::Study);
        QCOMPARE(s.startHour, 23);
        QCOMPARE(s.endHour, 1);
        QCOMPARE(d->ambientSound, AmbientSoundType::Lofi);
        QCOMPARE(d->ambientVolume, 0.6);
        QCOMPARE(d->colorTheme, AppColorTheme::Emerald);
        QCOMPARE(d->lastSavedDay, QStringLiteral("2026-12-6"));
    }

    void goldenDocumentLoadsIntoTheManagerOnItsDay() {
        FakeDesktop desktop;  // the fake clock stands on 2026-12-6
        desktop.setSavedDocument(golden());
        auto m = desktop.makeManager();
        QCOMPARE(m->totalSeconds(), 1500);
        QCOMPARE(m->remainingSeconds(), 1500);
        QCOMPARE(m->selectedPreset(), FocusPreset::DeepWork);  // not saved, no preset applied
        QVERIFY(!m->strictMode());
        QVERIFY(!m->isRunning());
        QCOMPARE(m->focusMinutesToday(), 70);
        QCOMPARE(m->sessionsToday(), 3);
        QCOMPARE(m->trackedAppSeconds().value(QStringLiteral("XTerm")), 3600);
        QCOMPARE(m->trackedBlockedAppSeconds().value(QStringLiteral("Discord")), 120);
        QCOMPARE(m->schedules().size(), 1);
        QCOMPARE(m->colorTheme(), AppColorTheme::Emerald);
        QCOMPARE(m->ambientVolume(), 0.6);
    }

    void saveWritesExactlyTheKeysWithUpperCaseIdsAndRawValues() {
        FakeDesktop desktop;
        desktop.setSavedDocument(golden());
        auto m = desktop.makeManager();
        m->saveState();
        const QJsonObject saved = QJsonDocument::fromJson(desktop.savedDocument()).object();
        QStringList keys = saved.keys();
        QStringList expected = allKeys;
        expected.append(QStringLiteral("loginStartOffered"));
        expected.append(QStringLiteral("awayAfterMinutes"));
        expected.append(QStringLiteral("hideUnguardedBrowsers"));
        keys.sort();
        expected.sort();
        QCOMPARE(keys, expected);

        // What was loaded comes back as it was.
        QJsonObject original = goldenObject();
        for (const QString& key : allKeys) {
            // The null limit is written as no key; the streak is recomputed from the day maps.
            if (key != QLatin1String("blockedApps") && key != QLatin1String("streakDays")) {
                QCOMPARE(saved.value(key), original.value(key));
            }
        }
        // Today and the 5th, tracked without any blocked app.
        QCOMPARE(saved.value(QStringLiteral("streakDays")), QJsonValue(2));
        const QJsonObject slack =
            saved.value(QStringLiteral("blockedApps")).toArray().at(2).toObject();
        QVERIFY(!slack.contains(QStringLiteral("dailyLimitMinutes")));
        QCOMPARE(saved.value(QStringLiteral("blockedApps"))
                     .toArray()
                     .at(0)
                     .toObject()
                     .value(QStringLiteral("id")),
                 QStringLiteral("6F9619FF-8B86-D011-B42D-00C04FC964FF"));
    }

    void freshIdsAreWrittenInUpperCase() {
        FakeDesktop desktop;
        auto m = desktop.makeManager();
        m->saveState();
        const QJsonObject saved = QJsonDocument::fromJson(desktop.savedDocument()).object();
        const QString id = saved.value(QStringLiteral("schedules"))
                               .toArray()
                               .at(0)
                               .toObject()
                               .value(QStringLiteral("id"))
                               .toString();
        QCOMPARE(id.size(), 36);
        QCOMPARE(id, id.toUpper());
        QCOMPARE(saved.value(QStringLiteral("lastSavedDay")).toString(),
                 QStringLiteral("2026-12-6"));
        QCOMPARE(saved.value(QStringLiteral("screenTimeMode")).toString(),
                 QStringLiteral("All Apps Usage Time"));
    }

    void documentWithoutOptionalKeysLoadsTheirDefaults() {
        FakeDesktop desktop;
        desktop.setSavedDocument(withChange([](QJsonObject& o) {
            for (const QString& key : optionalKeys) {
                o.remove(key);
            }
        }));
        auto m = desktop.makeManager();
        QCOMPARE(m->totalSeconds(), 1500);
        QVERIFY(m->trackedBlockedAppSeconds().isEmpty());
        QVERIFY(m->dailySecondsByDate().isEmpty());
        QVERIFY(m->dailyBlockedSecondsByDate().isEmpty());
        QCOMPARE(m->screenTimeMode(), ScreenTimeTrackingMode::AllApps);
        QVERIFY(m->blockAdultSites());
        QCOMPARE(m->schedules().size(), 2);
        QCOMPARE(m->schedules().at(0).title, QStringLiteral("Morning Deep Work"));
        QCOMPARE(m->ambientSound(), AmbientSoundType::Off);
        QCOMPARE(m->ambientVolume(), 0.25);
        QVERIFY(m->glassEnabled());
        QCOMPARE(m->glassTransparency(), 0.35);
        QCOMPARE(m->colorTheme(), AppColorTheme::Ocean);
    }

    void optionalKeysMayBeNull() {
        const auto d = decodePersistedState(withChange([](QJsonObject& o) {
            for (const QString& key : optionalKeys) {
                o.insert(key, QJsonValue::Null);
            }
        }));
        QVERIFY(d);
        QVERIFY(!d->schedules);
        QVERIFY(!d->colorTheme);
    }

    void emptyScheduleListReplacesTheDefaults() {
        FakeDesktop desktop;
        desktop.setSavedDocument(withChange(
            [](QJsonObject& o) { o.insert(QStringLiteral("schedules"), QJsonArray()); }));
        auto m = desktop.makeManager();
        QVERIFY(m->schedules().isEmpty());
    }

    void badDocumentsAreIgnoredWhole_data() {
        QTest::addColumn<QByteArray>("bytes");
        auto without = [](const char* key) {
            return withChange([key](QJsonObject& o) { o.remove(QLatin1String(key)); });
        };
        auto with = [](const char* key, QJsonValue v) {
            return withChange([key, v](QJsonObject& o) { o.insert(QLatin1String(key), v); });
        };
        auto withApp = [](const char* key, QJsonValue v) {
            return withChange([key, v](QJsonObject& o) {
                QJsonArray apps = o.value(QStringLiteral("blockedApps")).toArray();
                QJsonObject app = apps.at(0).toObject();
                if (v.isUndefined()) {
                    app.remove(QLatin1String(key));
                } else {
                    app.insert(QLatin1String(key), v);
                }
                apps.replace(0, app);
                o.insert(QStringLiteral("blockedApps"), apps);
            });
        };
        auto withSchedule = [](const char* key, QJsonValue v) {
            return withChange([key, v](QJsonObject& o) {
                QJsonArray list = o.value(QStringLiteral("schedules")).toArray();
                QJsonObject s = list.at(0).toObject();
                if (v.isUndefined()) {
                    s.remove(QLatin1String(key));
                } else {
                    s.insert(QLatin1String(key), v);
                }
                list.replace(0, s);
                o.insert(QStringLiteral("schedules"), list);
            });
        };
        QTest::newRow("not JSON") << QByteArray("{\"totalSeconds\": 15");
        QTest::newRow("empty bytes") << QByteArray();
        QTest::newRow("an array") << QByteArray("[1,2]");
        QTest::newRow("no trackedAppSeconds") << without("trackedAppSeconds");
        QTest::newRow("a list that is no list") << with("blockedApps", QJsonObject());
        QTest::newRow("map of text") << with(
            "dailySecondsByDate", QJsonObject{{QStringLiteral("2026-12-6"), QStringLiteral("9")}});
        QTest::newRow("app without isEnabled") << withApp("isEnabled", QJsonValue::Undefined);
        QTest::newRow("app with a bad id") << withApp("id", QStringLiteral("not-a-uuid"));
        QTest::newRow("app limit as text") << withApp("dailyLimitMinutes", QStringLiteral("15"));
        QTest::newRow("schedule without isEnabled")
            << withSchedule("isEnabled", QJsonValue::Undefined);
        QTest::newRow("preset in lower case")
            << withSchedule("preset", QStringLiteral("deep work"));
        QTest::newRow("schedule hour as text") << withSchedule("startHour", QStringLiteral("9"));
    }
    void badDocumentsAreIgnoredWhole() {
        QFETCH(QByteArray, bytes);
        QVERIFY(!decodePersistedState(bytes));

        FakeDesktop desktop;
        desktop.setSavedDocument(bytes);
        auto m = desktop.makeManager();
        QCOMPARE(m->totalSeconds(), 2700);
        QCOMPARE(m->blockedApps().size(), 4);
        QCOMPARE(m->schedules().size(), 2);
        QCOMPARE(desktop.preferences.writes, 0);
    }

    // One setting unreadable (a later release's value, or damage): it alone takes its default and
    // is named; the rest loads, the file as it was is kept aside once and the rest saved at once.
    void aBadSettingAloneTakesItsDefault_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("shown");
        const auto with = [](const char* key, QJsonValue v) {
            return withChange([key, v](QJsonObject& o) { o.insert(QLatin1String(key), v); });
        };
        const auto row = [](const char* name, const QByteArray& bytes, const char* key,
                            const char* shown) {
            QTest::newRow(name) << bytes << QString::fromLatin1(key) << QString::fromUtf8(shown);
        };
        row("a theme a later release knows", with("colorTheme", QStringLiteral("Sunset")),
            "colorTheme", "\"Color Theme\"");
        row("volume as text", with("ambientVolume", QStringLiteral("x")), "ambientVolume",
            "\"Volume\"");
        row("no lastSavedDay",
            withChange([](QJsonObject& o) { o.remove(QStringLiteral("lastSavedDay")); }),
            "lastSavedDay", "the day of today's figures");
        row("total with a fraction", with("totalSeconds", 1500.5), "totalSeconds",
            "the focus length");
        row("strict as number", with("strictMode", 1), "strictMode", "\"Strict Mode\"");
        row("required null", with("sessionsToday", QJsonValue::Null), "sessionsToday",
            "today's figures");
        row("mode misspelt", with("screenTimeMode", QStringLiteral("All Apps")), "screenTimeMode",
            "\"Usage Mode\"");
    }
    void aBadSettingAloneTakesItsDefault() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, key);
        QFETCH(QString, shown);
        const std::optional<PersistedState> read = decodePersistedState(bytes);
        QVERIFY(read);
        QCOMPARE(read->resetKeys, QStringList{key});

        FakeDesktop desktop;
        desktop.setSavedDocument(bytes);
        auto m = desktop.makeManager();
        QCOMPARE(m->blockedApps().size(), 3);
        QVERIFY2(m->documentNotice().contains(shown), qPrintable(m->documentNotice()));
        QCOMPARE(desktop.preferences.setAsideValues, QList<QByteArray>{bytes});
        const std::optional<PersistedState> saved = decodePersistedState(desktop.savedDocument());
        QVERIFY(saved && saved->resetKeys.isEmpty());
        desktop.makeManager();
        QCOMPARE(desktop.preferences.setAsideValues.size(), 1);
    }

    // Values the controls cannot set are held to what they can; keys a later release wrote go
    // back as they came.
    void outOfRangeHeldAndUnknownKeysKept() {
        const QJsonObject later{{QStringLiteral("nested"), QJsonArray{1, QStringLiteral("two")}}};
        FakeDesktop desktop;
        desktop.setSavedDocument(withChange([&later](QJsonObject& o) {
            o.insert(QStringLiteral("totalSeconds"), -1);
            o.insert(QStringLiteral("dailyGoalHours"), -3);
            o.insert(QStringLiteral("ambientVolume"), -1);
            o.insert(QStringLiteral("glassTransparency"), 9);
            o.insert(QStringLiteral("aLaterSetting"), later);
        }));
        auto m = desktop.makeManager();
        QCOMPARE(m->totalSeconds(), 1);
        QCOMPARE(m->dailyGoalHours(), 1.0);
        QCOMPARE(m->ambientVolume(), 0.05);
        QCOMPARE(m->glassTransparency(), 0.85);
        QVERIFY(m->documentNotice().isEmpty());
        m->setStrictMode(true);
        const QJsonObject saved = QJsonDocument::fromJson(desktop.savedDocument()).object();
        QCOMPARE(saved.value(QStringLiteral("aLaterSetting")).toObject(), later);
        QCOMPARE(saved.value(QStringLiteral("totalSeconds")).toInteger(), 1);
    }

    // The keys newer than the 25: a running session and the day the clock left last.
    void newerKeysRoundTripAndAnOlderDocumentHasNone() {
        QVERIFY(!decodePersistedState(golden())->runningSession);
        QVERIFY(!decodePersistedState(golden())->dayLeft);

        PersistedState state = *decodePersistedState(golden());
        const RunningSession session{
            .preset = FocusPreset::WindDown,
            .totalSeconds = 3600,
            .remainingSeconds = 1234,
            .strictMode = true,
            .endsAt = 1796551234,
        };
        state.runningSession = session;
        const DayLeft left{{QDate(2026, 12, 5), {{QStringLiteral("XTerm"), 60}}, {}, 2, 45}, 30, 0};
        state.dayLeft = left;
        const auto again = decodePersistedState(*encodePersistedState(state));
        QVERIFY(again);
        QCOMPARE(again->runningSession, std::optional(session));
        QCOMPARE(again->dayLeft, std::optional(left));
        QCOMPARE(again->totalSeconds, 1500);

        QByteArray badDay = *encodePersistedState(state);
        badDay.replace("\"day\":\"2026-12-5\"", "\"day\":\"2026-12-05\"");
        const auto dropped = decodePersistedState(badDay);
        QVERIFY(dropped && !dropped->dayLeft && dropped->runningSession);
    }

    // The golden document predates the away threshold; a bad value costs only the setting.
    void awayThresholdLoadsHeldToItsRange_data() {
        QTest::addColumn<QJsonValue>("value");
        QTest::addColumn<qint64>("minutes");
        QTest::newRow("absent") << QJsonValue(QJsonValue::Undefined) << qint64(5);
        QTest::newRow("null") << QJsonValue(QJsonValue::Null) << qint64(5);
        QTest::newRow("twelve") << QJsonValue(12) << qint64(12);
        QTest::newRow("zero") << QJsonValue(0) << qint64(1);
        QTest::newRow("negative") << QJsonValue(-3) << qint64(1);
        QTest::newRow("a week") << QJsonValue(10080) << qint64(60);
        QTest::newRow("beyond 64 bits") << QJsonValue(1e300) << qint64(5);
        QTest::newRow("a fraction") << QJsonValue(7.5) << qint64(5);
        QTest::newRow("text") << QJsonValue(QStringLiteral("10")) << qint64(5);
        QTest::newRow("a switch") << QJsonValue(true) << qint64(5);
        QTest::newRow("an object")
            << QJsonValue(QJsonObject{{QStringLiteral("m"), 3}}) << qint64(5);
    }

    void awayThresholdLoadsHeldToItsRange() {
        QFETCH(QJsonValue, value);
        QFETCH(qint64, minutes);
        FakeDesktop desktop;
        desktop.setSavedDocument(withChange([&value](QJsonObject& o) {
            if (!value.isUndefined()) {
                o.insert(QStringLiteral("awayAfterMinutes"), value);
            }
        }));
        auto m = desktop.makeManager();
        QCOMPARE(m->awayAfterMinutes(), minutes);
        QCOMPARE(m->colorTheme(), AppColorTheme::Emerald);  // the rest of the document loads
        QCOMPARE(m->totalSeconds(), 1500);

        m->setAwayAfterMinutes(20);
        const QJsonObject saved = QJsonDocument::fromJson(desktop.savedDocument()).object();
        QCOMPARE(saved.value(QStringLiteral("awayAfterMinutes")), QJsonValue(20));
        FakeDesktop next;
        next.setSavedDocument(desktop.savedDocument());
        QCOMPARE(next.makeManager()->awayAfterMinutes(), 20);
    }

    void malformedRunningSessionIsDroppedAndTheRestLoads_data() {
        QTest::addColumn<QJsonValue>("session");
        const QJsonObject good{
            {QStringLiteral("preset"), QStringLiteral("Deep Work")},
            {QStringLiteral("totalSeconds"), 2700},
            {QStringLiteral("remainingSeconds"), 2000},
            {QStringLiteral("strictMode"), true},
            {QStringLiteral("endsAt"), 1796551234},
        };
        const auto with = [good](const char* key, const QJsonValue& v) {
            QJsonObject o = good;
            if (v.isUndefined()) {
                o.remove(QLatin1String(key));
            } else {
                o.insert(QLatin1String(key), v);
            }
            return QJsonValue(o);
        };
        QTest::newRow("null") << QJsonValue(QJsonValue::Null);
        QTest::newRow("text") << QJsonValue(QStringLiteral("running"));
        QTest::newRow("an array") << QJsonValue(QJsonArray{1, 2});
        QTest::newRow("no end") << with("endsAt", QJsonValue::Undefined);
        QTest::newRow("end as text") << with("endsAt", QStringLiteral("2026-12-06T10:45:00Z"));
        QTest::newRow("end with a fraction") << with("endsAt", 1796551234.5);
        QTest::newRow("end beyond 64 bits") << with("endsAt", 1e300);
        QTest::newRow("unknown preset") << with("preset", QStringLiteral("Forever"));
        QTest::newRow("strict as number") << with("strictMode", 1);
        QTest::newRow("no remaining") << with("remainingSeconds", QJsonValue::Undefined);
    }
    void malformedRunningSessionIsDroppedAndTheRestLoads() {
        QFETCH(QJsonValue, session);
        const QByteArray bytes = withChange(
            [&session](QJsonObject& o) { o.insert(QStringLiteral("runningSession"), session); });
        const auto d = decodePersistedState(bytes);
        QVERIFY(d);
        QVERIFY(!d->runningSession);

        FakeDesktop desktop;
        desktop.setSavedDocument(bytes);
        auto m = desktop.makeManager();
        QVERIFY(!m->isRunning());
        QCOMPARE(m->totalSeconds(), 1500);
        QCOMPARE(m->sessionsToday(), 3);
    }

    // Mostly at 1,000,000 s, when a session with 600 of 2700 s left was to end at 1,000,600.
    void whatIsLeftOfASavedSession_data() {
        QTest::addColumn<qint64>("total");
        QTest::addColumn<qint64>("remaining");
        QTest::addColumn<qint64>("endsAt");
        QTest::addColumn<qint64>("left");  // 0: nothing to resume
        QTest::addColumn<qint64>("resumedTotal");
        QTest::addColumn<qint64>("now");
        constexpr qint64 max = std::numeric_limits<qint64>::max();
        constexpr qint64 min = std::numeric_limits<qint64>::min();
        const qint64 t = 1000000;
        const qint64 longest = longestSessionSeconds;
        QTest::newRow("away a minute") << 2700LL << 600LL << 1000540LL << 540LL << 2700LL << t;
        QTest::newRow("one second to go") << 2700LL << 600LL << 1000001LL << 1LL << 2700LL << t;
        QTest::newRow("ends this second") << 2700LL << 600LL << 1000000LL << 0LL << 0LL << t;
        QTest::newRow("ended long ago") << 2700LL << 600LL << 0LL << 0LL << 0LL << t;
        QTest::newRow("clock set back a day")
            << 2700LL << 600LL << 1087000LL << 600LL << 2700LL << t;
        QTest::newRow("end years away, all absurd")
            << 315360000LL << 315360000LL << 316360000LL << longest << longest << t;
        QTest::newRow("more left than its length")
            << 1500LL << 9000LL << 1009000LL << 1500LL << 1500LL << t;
        QTest::newRow("end at the 64-bit limit") << 2700LL << 600LL << max << 600LL << 2700LL << t;
        QTest::newRow("end at the lowest 64 bits") << 2700LL << 600LL << min << 0LL << 0LL << t;
        QTest::newRow("clock before 1970, end at the limit")
            << 2700LL << 600LL << max << 600LL << 2700LL << min / 2;
        QTest::newRow("clock at the lowest 64 bits")
            << 2700LL << 600LL << 1000600LL << 600LL << 2700LL << min;
        QTest::newRow("nothing left when saved") << 2700LL << 0LL << 1000600LL << 0LL << 0LL << t;
        QTest::newRow("negative left") << 2700LL << -5LL << 1000600LL << 0LL << 0LL << t;
        QTest::newRow("no length") << 0LL << 600LL << 1000600LL << 0LL << 0LL << t;
        QTest::newRow("negative length") << -2700LL << 600LL << 1000600LL << 0LL << 0LL << t;
    }
    void whatIsLeftOfASavedSession() {
        QFETCH(qint64, total);
        QFETCH(qint64, remaining);
        QFETCH(qint64, endsAt);
        QFETCH(qint64, left);
        QFETCH(qint64, resumedTotal);
        QFETCH(qint64, now);
        const RunningSession saved{
            .preset = FocusPreset::DeepWork,
            .totalSeconds = total,
            .remainingSeconds = remaining,
            .strictMode = true,
            .endsAt = endsAt,
        };
        const std::optional<RunningSession> resumed = resumableSession(saved, now);
        QCOMPARE(resumed.has_value(), left > 0);
        if (resumed) {
            QCOMPARE(resumed->remainingSeconds, left);
            QCOMPARE(resumed->totalSeconds, resumedTotal);
            QCOMPARE(resumed->endsAt, now + left);
            QVERIFY(resumed->strictMode);
        }
    }

    // Only a new install is offered starting at login: anyone with a document, of any age and in
    // any state, has been using Quorel already.
    void loginStartIsOfferedOnlyToNewInstalls_data() {
        QTest::addColumn<std::optional<QByteArray>>("document");
        QTest::addColumn<bool>("offered");

        const auto withOffer = [](const QJsonValue& value) {
            return std::optional(withChange(
                [&](QJsonObject& o) { o.insert(QStringLiteral("loginStartOffered"), value); }));
        };
        QTest::newRow("new install") << std::optional<QByteArray>() << false;
        QTest::newRow("older document") << std::optional(golden()) << true;
        QTest::newRow("not yet answered") << withOffer(false) << false;
        QTest::newRow("answered") << withOffer(true) << true;
        QTest::newRow("malformed") << withOffer(QStringLiteral("yes")) << true;
        QTest::newRow("unreadable document") << std::optional(QByteArray("{\"half")) << true;
    }

    void loginStartIsOfferedOnlyToNewInstalls() {
        QFETCH(std::optional<QByteArray>, document);
        QFETCH(bool, offered);
        FakeDesktop desktop;
        if (document) {
            desktop.setSavedDocument(*document);
        }
        auto m = desktop.makeManager();
        QCOMPARE(m->loginStartOffered(), offered);
        // A malformed flag costs nothing else.
        if (qstrcmp(QTest::currentDataTag(), "malformed") == 0) {
            QCOMPARE(m->colorTheme(), AppColorTheme::Emerald);
        }

        m->saveState();
        QCOMPARE(decodePersistedState(desktop.savedDocument())->loginStartOffered,
                 std::optional(offered));
        QSignalSpy changed(m.get(), &FocusManager::loginStartOfferedChanged);
        m->markLoginStartOffered();
        QCOMPARE(changed.size(), offered ? 0 : 1);
        QVERIFY(m->loginStartOffered());
        // Answered once, never asked again.
        QVERIFY(desktop.makeManager()->loginStartOffered());
    }

    // Moved aside at the start and told in the window, naming where it went; kept only once.
    void unreadableDocumentIsSetAsideAndTold() {
        FakeDesktop desktop;
        const QByteArray bad("{\"half a document");
        desktop.setSavedDocument(bad);
        auto m = desktop.makeManager();
        QCOMPARE(desktop.preferences.setAsideValues, QList<QByteArray>{bad});
        QVERIFY(
            m->documentNotice().contains(QStringLiteral("Quorel.PersistedState.v1.unreadable-1")));
        m->setStrictMode(false);
        QVERIFY(decodePersistedState(desktop.savedDocument()));
        m->saveState();
        QCOMPARE(desktop.preferences.setAsideValues.size(), 1);
        m->dismissDocumentNotice();
        QVERIFY(m->documentNotice().isEmpty());

        QString why;
        QVERIFY(!decodePersistedState(bad, &why));
        QVERIFY2(why.contains(QStringLiteral("at byte")), qPrintable(why));
        QVERIFY(!decodePersistedState(R"({"totalSeconds":"x"})", &why));
        QCOMPARE(why, QStringLiteral("\"blockedApps\" is missing or malformed"));
    }

    void nothingIsOverwrittenWhileTheBadDocumentCannotBeKept() {
        FakeDesktop desktop;
        desktop.setSavedDocument("garbage");
        desktop.preferences.refuseSetAside = true;
        auto m = desktop.makeManager();
        m->saveState();
        QCOMPARE(desktop.savedDocument(), QByteArray("garbage"));
        QVERIFY(m->documentNotice().isEmpty());
        desktop.preferences.refuseSetAside = false;
        m->saveState();
        QCOMPARE(desktop.preferences.setAsideValues, QList<QByteArray>{"garbage"});
        QVERIFY(!m->documentNotice().isEmpty());
    }

    // A dragged slider is saved at once, then at most twice a second, and when let go.
    void aDraggedSliderIsNotSavedOnEveryStep() {
        FakeDesktop desktop;
        auto m = desktop.makeManager();
        const int before = desktop.preferences.writes;
        for (int step = 1; step <= 50; ++step) {
            m->setAmbientVolume(step / 100.0);
            m->setGlassTransparency(step / 100.0);
        }
        QCOMPARE(desktop.preferences.writes, before + 1);
        QTRY_COMPARE(desktop.preferences.writes, before + 2);
        QCOMPARE(decodePersistedState(desktop.savedDocument())->ambientVolume, 0.5);
        m->setDailyGoalHours(5);
        m->saveNow();
        const int released = desktop.preferences.writes;
        QCOMPARE(decodePersistedState(desktop.savedDocument())->dailyGoalHours, 5.0);
        QTest::qWait(600);
        QCOMPARE(desktop.preferences.writes, released);
    }

    void failedSavesAreToldOnceAndRetried() {
        FakeDesktop desktop;
        auto m = desktop.makeManager();
        QSignalSpy told(m.get(), &FocusManager::saveProblemChanged);
        desktop.preferences.refuseWrites = true;
        m->setStrictMode(false);
        QVERIFY(!m->saveProblem().isEmpty());
        for (int i = 0; i < 15; ++i) {
            m->tick();
        }
        QCOMPARE(told.size(), 1);
        const int attempts = desktop.preferences.writes;
        desktop.preferences.refuseWrites = false;
        for (int i = 0; i < 15; ++i) {
            m->tick();
        }
        QCOMPARE(desktop.preferences.writes, attempts + 1);  // the periodic save retried
        QVERIFY(m->saveProblem().isEmpty());
        QCOMPARE(told.size(), 2);
        QVERIFY(!decodePersistedState(desktop.savedDocument())->strictMode);
    }

    void yesterdaysDocumentKeepsSettingsButStartsTheDayAfresh() {
        FakeDesktop desktop;
        desktop.clock.set(desktop.clock.now().addDays(1));
        desktop.setSavedDocument(golden());
        auto m = desktop.makeManager();
        QVERIFY(!m->strictMode());
        QCOMPARE(m->dailyGoalHours(), 4.5);
        QCOMPARE(m->blockedApps().size(), 3);
        QCOMPARE(m->dailySecondsByDate().size(), 2);
        QCOMPARE(m->dailyBlockedSecondsByDate().size(), 1);
        QCOMPARE(m->focusMinutesToday(), 0);
        QCOMPARE(m->sessionsToday(), 0);
        QVERIFY(m->trackedAppSeconds().isEmpty());
        QVERIFY(m->trackedBlockedAppSeconds().isEmpty());
    }

    void loadingWritesNothingBack() {
        FakeDesktop desktop;
        desktop.setSavedDocument(golden());
        auto m = desktop.makeManager();
        QCOMPARE(desktop.preferences.writes, 0);
        QCOMPARE(desktop.savedDocument(), golden());
    }

    void everyFifteenthTickSavesWhatChanged() {
        FakeDesktop desktop;
        desktop.workspace.frontmost.reset();
        auto m = desktop.makeManager();
        for (int i = 1; i <= 14; ++i) {
            m->tick();
        }
        QCOMPARE(desktop.preferences.writes, 0);
        m->tick();
        QCOMPARE(desktop.preferences.writes, 1);
        const QJsonObject saved = QJsonDocument::fromJson(desktop.savedDocument()).object();
        // The 25 keys, that starting at login is still to be offered, the away threshold and
        // whether browsers Quorel cannot guard are hidden outside strict focus.
        QCOMPARE(saved.size(), 28);
        QCOMPARE(saved.value(QStringLiteral("hideUnguardedBrowsers")), QJsonValue(false));
        QCOMPARE(saved.value(QStringLiteral("loginStartOffered")), QJsonValue(false));
        QCOMPARE(saved.value(QStringLiteral("awayAfterMinutes")), QJsonValue(5));
        QCOMPARE(saved.value(QStringLiteral("lastSavedDay")).toString(),
                 QStringLiteral("2026-12-6"));
        for (int i = 0; i < 15; ++i) {
            m->tick();
        }
        QCOMPARE(desktop.preferences.writes, 1);  // nothing changed: nothing written
        desktop.workspace.frontmost = QStringLiteral("XTerm");
        for (int i = 0; i < 15; ++i) {
            m->tick();
        }
        QCOMPARE(desktop.preferences.writes, 2);
    }

    void awkwardTextRoundTrips() {
        FakeDesktop desktop;
        const QString name = QStringLiteral("Say \"hi\"\\ \n\t\u0001 – 日本語 🎧");
        {
            auto m = desktop.makeManager();
            m->setBlockedApps({BlockedApp{QUuid::createUuid(), name, true, std::nullopt}});
            m->setTrackedAppSeconds({{name, 42}});
            m->saveState();
        }
        auto m = desktop.makeManager();
        QCOMPARE(m->blockedApps().first().name, name);
        QCOMPARE(m->trackedAppSeconds().value(name), 42);
    }

    void valueWithoutJsonFormKeepsThePreviousDocument() {
        FakeDesktop desktop;
        auto m = desktop.makeManager();
        m->setDailyGoalHours(4.0);
        const QByteArray before = desktop.savedDocument();
        m->setDailyGoalHours(std::numeric_limits<double>::quiet_NaN());
        QCOMPARE(desktop.savedDocument(), before);
    }

    void settingChangesSaveAtOnce() {
        FakeDesktop desktop;
        auto m = desktop.makeManager();
        m->setDailyGoalHours(5.5);
        m->setHideUnguardedBrowsers(true);
        const auto d = decodePersistedState(desktop.savedDocument());
        QVERIFY(d);
        QCOMPARE(d->dailyGoalHours, 5.5);
        QCOMPARE(d->hideUnguardedBrowsers, true);
        QVERIFY(desktop.makeManager()->hideUnguardedBrowsers());
        // Our own key, not worth the rest of the document when malformed: off.
        QJsonObject odd = QJsonDocument::fromJson(desktop.savedDocument()).object();
        odd.insert(QStringLiteral("hideUnguardedBrowsers"), QStringLiteral("yes"));
        desktop.setSavedDocument(QJsonDocument(odd).toJson());
        QVERIFY(!desktop.makeManager()->hideUnguardedBrowsers());
    }

    void dateStampHasNoLeadingZeros_data() {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QString>("stamp");
        QTest::newRow("early January") << QDate(2026, 1, 5) << QStringLiteral("2026-1-5");
        QTest::newRow("December") << QDate(2026, 12, 6) << QStringLiteral("2026-12-6");
        QTest::newRow("month end") << QDate(2027, 1, 31) << QStringLiteral("2027-1-31");
    }
    void dateStampHasNoLeadingZeros() {
        QFETCH(QDate, date);
        QFETCH(QString, stamp);
        QCOMPARE(dateStamp(date), stamp);
        QCOMPARE(dateFromStamp(stamp), date);
        for (const QString& bad : {QStringLiteral("2026-01-5"), QStringLiteral("2026-12"),
                                   QStringLiteral("2026-13-1"), QStringLiteral("x-1-1")}) {
            QVERIFY(!dateFromStamp(bad).isValid());
        }
    }

    void recordCoding() {
        const BlockedApp noLimit{QUuid::createUuid(), QStringLiteral("Steam"), true, std::nullopt};
        QVERIFY(!toJson(noLimit).contains(QStringLiteral("dailyLimitMinutes")));
        const BlockedApp limited{QUuid::createUuid(), QStringLiteral("Discord"), true, 15};
        QCOMPARE(toJson(limited).value(QStringLiteral("dailyLimitMinutes")), QJsonValue(15));
        QCOMPARE(blockedAppFromJson(toJson(limited)), std::optional<BlockedApp>(limited));

        const BlockedSite a{QUuid::createUuid(), QStringLiteral("x.com"), true};
        const BlockedSite b{QUuid::createUuid(), QStringLiteral("x.com"), true};
        QVERIFY(!(a == b));

        QCOMPARE(fromRawValue<FocusPreset>(u"Deep Work"), std::optional(FocusPreset::DeepWork));
        QCOMPARE(fromRawValue<FocusPreset>(u"deep work"), std::nullopt);
        QVERIFY(ShieldTarget{.name = QStringLiteral("Steam")}.id !=
                ShieldTarget{.name = QStringLiteral("Steam")}.id);
    }
};

QTEST_GUILESS_MAIN(TestPersistedState)
#include "tst_persistedstate.moc"
