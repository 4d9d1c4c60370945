#include "UsageRules.h"

#include <algorithm>
#include <limits>

namespace Quorel {

namespace {
bool isAscii(QStringView text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

// One spelling for comparing: composed, then fully upper-cased (so ß meets SS).
QString matchKey(QStringView text) {
    return text.toString().normalized(QString::NormalizationForm_C).toUpper();
}
}  // namespace

bool nameMatches(QStringView appName, QStringView entryName) {
    if (entryName.isEmpty()) {
        return false;
    }
    // Most names are plain ASCII: no allocation on the heartbeat's path.
    if (appName.contains(entryName, Qt::CaseInsensitive)) {
        return true;
    }
    if (isAscii(appName) && isAscii(entryName)) {
        return false;
    }
    const QString key = matchKey(entryName);
    return !key.isEmpty() && matchKey(appName).contains(key);
}

qint64 saturatingAdd(qint64 a, qint64 b) {
    qint64 sum = 0;
    if (__builtin_add_overflow(a, b, &sum)) {
        return b > 0 ? std::numeric_limits<qint64>::max() : std::numeric_limits<qint64>::min();
    }
    return sum;
}

qint64 usedSeconds(const SecondsMap& tracked, QStringView name) {
    qint64 sum = 0;
    for (auto it = tracked.cbegin(); it != tracked.cend(); ++it) {
        if (nameMatches(it.key(), name)) {
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

}  // namespace Quorel
