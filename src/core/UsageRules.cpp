// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "UsageRules.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace Quorel {

FoldedName::FoldedName(QStringView name)
    : m_name(name),
      m_isAscii(std::all_of(name.begin(), name.end(), [](QChar c) { return c.unicode() < 0x80; })) {
}

const QString& FoldedName::key() const {
    if (!m_key) {
        m_key = m_name.toString().normalized(QString::NormalizationForm_C).toUpper();
    }
    return *m_key;
}

bool nameMatches(const FoldedName& app, const FoldedName& entry) {
    if (entry.name().isEmpty()) {
        return false;
    }
    // Most names are plain ASCII: no allocation on the heartbeat's path.
    if (app.name().contains(entry.name(), Qt::CaseInsensitive)) {
        return true;
    }
    if (app.isAscii() && entry.isAscii()) {
        return false;
    }
    // An ASCII entry's own key is itself, up to case.
    if (entry.isAscii()) {
        return QStringView(app.key()).contains(entry.name(), Qt::CaseInsensitive);
    }
    return !entry.key().isEmpty() && app.key().contains(entry.key());
}

bool nameMatches(QStringView appName, QStringView entryName) {
    return nameMatches(FoldedName(appName), FoldedName(entryName));
}

qint64 saturatingAdd(qint64 a, qint64 b) {
    qint64 sum = 0;
    if (__builtin_add_overflow(a, b, &sum)) {
        return b > 0 ? std::numeric_limits<qint64>::max() : std::numeric_limits<qint64>::min();
    }
    return sum;
}

qint64 usedSeconds(const SecondsMap& tracked, QStringView name) {
    const FoldedName entry(name);
    qint64 sum = 0;
    for (auto it = tracked.cbegin(); it != tracked.cend(); ++it) {
        if (nameMatches(FoldedName(it.key()), entry)) {
            sum = saturatingAdd(sum, it.value());
        }
    }
    return sum;
}

QList<AppUsageItem> topUsage(const SecondsMap& tracked, qsizetype count) {
    QList<AppUsageItem> items;
    items.reserve(tracked.size());
    for (auto it = tracked.cbegin(); it != tracked.cend(); ++it) {
        items.append(AppUsageItem{QUuid::createUuid(), it.key(), it.value()});
    }
    const auto kept = std::min(count, items.size());
    std::partial_sort(items.begin(), items.begin() + kept, items.end(),
                      [](const AppUsageItem& a, const AppUsageItem& b) {
                          return a.seconds != b.seconds ? a.seconds > b.seconds : a.name < b.name;
                      });
    items.resize(kept);
    return items;
}

double hoursOf(qint64 seconds) {
    return double(seconds) / 3600.0;
}

namespace {
bool withinGoal(qint64 seconds, double goalHours) {
    return hoursOf(seconds) <= goalHours;
}
}  // namespace

qint64 streakRunBefore(const SecondsMap& measured, const SecondsMap& recordedDays, QDate today,
                       double goalHours) {
    qint64 run = 0;
    // A run can be no longer than the days on record.
    for (QDate day = today.addDays(-1); run < recordedDays.size(); day = day.addDays(-1)) {
        const QString stamp = dateStamp(day);
        if (!recordedDays.contains(stamp) || !withinGoal(measured.value(stamp, 0), goalHours)) {
            break;
        }
        ++run;
    }
    return run;
}

qint64 streakDays(qint64 todaySeconds, qint64 runBefore, double goalHours) {
    return withinGoal(todaySeconds, goalHours) ? 1 + runBefore : 0;
}

namespace {

void addInto(SecondsMap& into, const SecondsMap& from) {
    for (auto it = from.cbegin(); it != from.cend(); ++it) {
        into[it.key()] = saturatingAdd(into.value(it.key()), it.value());
    }
}

// Moves what from gained beyond before over to to.
void moveGained(SecondsMap& daily, const QString& from, qint64 before, const QString& to) {
    const qint64 now = daily.value(from);
    const qint64 gained = now - std::clamp<qint64>(before, 0, now);
    if (gained <= 0) {
        return;
    }
    if (now == gained) {
        daily.remove(from);
    } else {
        daily[from] = now - gained;
    }
    daily[to] = saturatingAdd(daily.value(to), gained);
}

}  // namespace

namespace {
// The counters, and their day's daily totals, put on another day.
void carryTo(DayBook& book, QDate day) {
    const QString from = dateStamp(book.current.day);
    const QString to = dateStamp(day);
    moveGained(book.daily, from, 0, to);
    moveGained(book.dailyBlocked, from, 0, to);
    book.current.day = day;
}
}  // namespace

DayBook moveToDay(DayBook book, QDate today) {
    if (!today.isValid() || today == book.current.day) {
        return book;
    }
    if (book.countersOwnDay.isValid() && today >= book.countersOwnDay) {
        carryTo(book, std::exchange(book.countersOwnDay, QDate()));
        if (today == book.current.day) {
            return book;
        }
    }
    if (today < book.current.day && !(book.left && book.left->counters.day <= today)) {
        const QDate own = book.countersOwnDay.isValid() ? book.countersOwnDay : book.current.day;
        carryTo(book, today);
        book.countersOwnDay = own;
        return book;
    }
    book.countersOwnDay = QDate();
    const QString stamp = dateStamp(today);
    if (today > book.current.day) {
        book.left = DayLeft{std::move(book.current), book.daily.value(stamp),
                            book.dailyBlocked.value(stamp)};
        book.current = DayCounters{today, {}, {}, 0, 0};
        return book;
    }
    DayLeft left = *std::exchange(book.left, std::nullopt);
    DayCounters back =
        left.counters.day == today ? std::move(left.counters) : DayCounters{today, {}, {}, 0, 0};
    addInto(back.apps, book.current.apps);
    addInto(back.blockedApps, book.current.blockedApps);
    back.sessions = saturatingAdd(back.sessions, book.current.sessions);
    back.focusMinutes = saturatingAdd(back.focusMinutes, book.current.focusMinutes);
    const QString ahead = dateStamp(book.current.day);
    moveGained(book.daily, ahead, left.nextDaySecondsBefore, stamp);
    moveGained(book.dailyBlocked, ahead, left.nextDayBlockedSecondsBefore, stamp);
    book.current = std::move(back);
    return book;
}

}  // namespace Quorel
