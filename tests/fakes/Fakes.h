// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Fakes at the engine's ports, for tests that drive the manager by hand.

#include "FocusManager.h"
#include "Platform.h"

#include <QLocale>
#include <QMap>
#include <QMutex>
#include <QTimeZone>
#include <QWaitCondition>

#include <memory>

namespace Quorel {

// A clock that only moves when told, in a real zone with daylight saving (Berlin, whatever the
// host's), so tests meet skipped and repeated hours. It jumps either way, by any amount.
class FakeClock : public Clock {
public:
    static QTimeZone zone() { return QTimeZone("Europe/Berlin"); }
    explicit FakeClock(QDateTime start = QDateTime(QDate(2026, 12, 6), QTime(10, 0), zone()))
        : m_now(std::move(start)) {}

    QDateTime now() const override { return m_now; }
    qint64 monotonicMilliseconds() const override { return m_monotonicMs; }
    QString shortWeekdayName(QDate date) const override {
        return QLocale::c().dayName(date.dayOfWeek(), QLocale::ShortFormat);
    }

    // The wall clock set by hand: time itself does not move.
    void set(const QDateTime& now) { m_now = now; }
    void setTime(QTime time) { m_now.setTime(time); }
    // Time passing.
    void advance(qint64 seconds) {
        m_now = m_now.addSecs(seconds);
        m_monotonicMs += seconds * 1000;
    }
    void advanceDays(qint64 days) {
        m_now = m_now.addDays(days);
        m_monotonicMs += days * 86'400'000;
    }

private:
    QDateTime m_now;
    qint64 m_monotonicMs = 1'000'000;
};

// A desktop whose applications the test lists by hand; frontmost names the one in front.
class FakeWorkspace : public Workspace {
public:
    std::optional<QString> frontmostApplicationName() override { return frontmost; }
    std::optional<RunningApplication> frontmostApplication() override {
        if (!frontmost) {
            return std::nullopt;
        }
        for (const RunningApplication& app : std::as_const(running)) {
            if (app.name == *frontmost) {
                return app;
            }
        }
        RunningApplication front;
        front.name = front.identity = front.key = *frontmost;
        front.isRegular = true;
        return front;
    }
    QList<RunningApplication> runningApplications() override { return running; }
    void hide(const RunningApplication& application) override { hidden.append(application.name); }
    void setActivationHandler(std::function<void(const RunningApplication&)> handler) override {
        onActivated = std::move(handler);
    }
    void setShownHandler(std::function<void(const RunningApplication&)> handler) override {
        onShown = std::move(handler);
    }
    void setChannelRestoredHandler(std::function<void()> handler) override {
        onRestored = std::move(handler);
    }
    QList<RunningApplication> installedApplications() override {
        QList<RunningApplication> applications = installedEntries;
        for (const QString& name : installed) {
            RunningApplication application;
            application.name = name;
            applications.append(application);
        }
        return applications;
    }
    QString limitation() const override { return limitationText; }

    // Brings app to the front and tells the engine, as the desktop would.
    void activate(const RunningApplication& app) {
        frontmost = app.name;
        if (onActivated) {
            onActivated(app);
        }
    }

    std::optional<QString> frontmost;
    QList<RunningApplication> running;
    QStringList installed;
    QList<RunningApplication> installedEntries;  // with more than a name
    QString limitationText;
    QStringList hidden;
    std::function<void(const RunningApplication&)> onActivated;
    std::function<void(const RunningApplication&)> onShown;
    std::function<void()> onRestored;
};

// An ordinary application of that name, for the fake desktop's lists.
inline RunningApplication app(const QString& name) {
    RunningApplication application;
    application.name = application.key = name;
    application.identity = name.toLower() + QStringLiteral(".desktop");
    application.isRegular = true;
    return application;
}

class FakeBlockShield : public BlockShield {
public:
    void show(const QString& targetName, FocusManager&) override { shown.append(targetName); }
    QStringList shown;
};

class FakeApplicationChooser : public ApplicationChooser {
public:
    QStringList chooseApplications() override {
        ++opened;
        return chosen;
    }
    QStringList chosen;
    int opened = 0;
};

// Whether the user is away, as the test says: locked, and how long since the last input (none
// when the desktop would not tell).
class FakePresence : public Presence {
public:
    bool isLocked() override { return locked; }
    bool isIdleFor(std::chrono::milliseconds threshold) override {
        askedThreshold = threshold;
        return idle && *idle >= threshold;
    }

    bool locked = false;
    std::optional<std::chrono::milliseconds> idle = std::chrono::milliseconds(0);
    std::optional<std::chrono::milliseconds> askedThreshold;
};

class MemoryPreferencesStore : public PreferencesStore {
public:
    std::optional<QByteArray> data(const QString& key) const override {
        ++reads;
        if (!values.contains(key)) {
            return std::nullopt;
        }
        return values.value(key);
    }
    bool setData(const QString& key, const QByteArray& bytes) override {
        ++writes;
        if (refuseWrites) {
            return false;
        }
        values.insert(key, bytes);
        return true;
    }
    std::optional<QString> setAside(const QString& key) override {
        if (refuseSetAside) {
            return std::nullopt;
        }
        if (!values.contains(key)) {
            return QString();
        }
        setAsideValues.append(values.take(key));
        return key + QStringLiteral(".unreadable-") + QString::number(setAsideValues.size());
    }

    QString readError() const override { return {}; }
    QString lastError() const override {
        return refuseWrites ? QStringLiteral("No space left on device") : QString();
    }

    QMap<QString, QByteArray> values;
    QList<QByteArray> setAsideValues;
    bool refuseSetAside = false;
    // A full or read-only disk: every write fails and nothing changes.
    bool refuseWrites = false;
    mutable int reads = 0;
    int writes = 0;
};

class FakeSystemSound : public SystemSound {
public:
    void playFocusComplete() override { ++plays; }
    int plays = 0;
};

struct AmbientCall {
    AmbientSoundType type;
    bool shouldPlay;
    double volume;
};

class CapturingAmbientPlayer : public AmbientPlayer {
public:
    void update(AmbientSoundType type, bool shouldPlay, double volume) override {
        calls.append(AmbientCall{type, shouldPlay, volume});
    }
    QList<AmbientCall> calls;
};

// Runs on the browser worker thread: everything it keeps is behind a lock. hold() keeps the next
// read waiting until release(), so a test can see a check in flight.
class FakeBrowserScripting : public BrowserScripting {
public:
    BrowserAnswer readFrontTab(BrowserFamily browser) override {
        QMutexLocker lock(&m_mutex);
        m_reads.append(browserFamilyKey(browser));
        while (m_holding) {
            m_released.wait(&m_mutex);
        }
        return m_answer;
    }
    BrowserAnswer redirectFrontTab(BrowserFamily browser, const BrowserRedirect& target) override {
        QMutexLocker lock(&m_mutex);
        m_redirects.append(
            {browserFamilyKey(browser), target.address.isEmpty()
                                            ? QStringLiteral("own page for ") + target.blockedSite
                                            : target.address});
        return {BrowserAnswer::Status::Ok, target.address};
    }
    bool reachesAnyBrowser() override {
        QMutexLocker lock(&m_mutex);
        return m_reachesAny;
    }
    void setRules(const BrowserRules& rules) override {
        QMutexLocker lock(&m_mutex);
        m_rules.append(rules);
    }
    // Every set of rules the browsers were told, in order.
    QList<BrowserRules> rules() const {
        QMutexLocker lock(&m_mutex);
        return m_rules;
    }
    // Any browser the answer reaches, but the processes set apart (a profile without the link).
    bool guardsBrowser(BrowserFamily, qint64 pid) override {
        QMutexLocker lock(&m_mutex);
        return m_answer.status != BrowserAnswer::Status::Refused && !m_unguardedPids.contains(pid);
    }
    void setGuarded(qint64 pid, bool guarded) {
        QMutexLocker lock(&m_mutex);
        m_unguardedPids.removeAll(pid);
        if (!guarded) {
            m_unguardedPids.append(pid);
        }
    }
    void setFrontTabChangedHandler(std::function<void()> handler) override {
        m_frontChanged = std::move(handler);
    }
    void setJudging(bool judging) override {
        QMutexLocker lock(&m_mutex);
        m_verdicts.append(judging ? QStringLiteral("judging") : QStringLiteral("not judging"));
    }
    void letFrontTabLoad(BrowserFamily browser) override {
        QMutexLocker lock(&m_mutex);
        m_verdicts.append(QStringLiteral("let load ") + browserFamilyKey(browser));
    }
    // What the engine told of its judging, in order: "judging", "not judging", "let load <key>".
    QStringList verdicts() const {
        QMutexLocker lock(&m_mutex);
        return m_verdicts;
    }
    // The browser tells of a new front tab, as the extension does.
    void tellFrontChanged() {
        if (m_frontChanged) {
            m_frontChanged();
        }
    }

    void setAnswer(BrowserAnswer::Status status, const QString& address = {}) {
        QMutexLocker lock(&m_mutex);
        m_answer = {status, address};
    }
    void setAnswer(const BrowserAnswer& answer) {
        QMutexLocker lock(&m_mutex);
        m_answer = answer;
    }
    void setReachesAny(bool reaches) {
        QMutexLocker lock(&m_mutex);
        m_reachesAny = reaches;
    }
    void showAddress(const QString& address) { setAnswer(BrowserAnswer::Status::Ok, address); }
    void hold() {
        QMutexLocker lock(&m_mutex);
        m_holding = true;
    }
    void release() {
        QMutexLocker lock(&m_mutex);
        m_holding = false;
        m_released.wakeAll();
    }
    QStringList reads() const {
        QMutexLocker lock(&m_mutex);
        return m_reads;
    }
    // The families read, by their wire keys ("chromium").
    // Each redirect as "family -> url", or "family -> own page for <site>".
    QStringList redirects() const {
        QMutexLocker lock(&m_mutex);
        QStringList out;
        for (const auto& [browser, url] : m_redirects) {
            out.append(browser + QStringLiteral(" -> ") + url);
        }
        return out;
    }

private:
    mutable QMutex m_mutex;
    QWaitCondition m_released;
    bool m_holding = false;
    BrowserAnswer m_answer{BrowserAnswer::Status::Refused, {}};
    bool m_reachesAny = false;
    QList<qint64> m_unguardedPids;
    std::function<void()> m_frontChanged;
    QStringList m_reads;
    QList<std::pair<QString, QString>> m_redirects;
    QStringList m_verdicts;
    QList<BrowserRules> m_rules;
};

// Every fake in one place, and a manager built on them.
struct FakeDesktop {
    FakeClock clock;
    FakeWorkspace workspace;
    MemoryPreferencesStore preferences;
    FakeSystemSound sound;
    FakeBrowserScripting browser;
    CapturingAmbientPlayer ambient;
    FakeBlockShield shield;
    FakeApplicationChooser chooser;
    FakePresence presence;

    Platform platform() {
        return Platform{workspace, preferences, clock,   sound,   browser,
                        ambient,   shield,      chooser, presence};
    }
    std::unique_ptr<FocusManager> makeManager() {
        return std::make_unique<FocusManager>(platform());
    }
    QByteArray savedDocument() const {
        return preferences.values.value(QStringLiteral("Quorel.PersistedState.v1"));
    }
    void setSavedDocument(const QByteArray& bytes) {
        preferences.values.insert(QStringLiteral("Quorel.PersistedState.v1"), bytes);
    }
};

}  // namespace Quorel
