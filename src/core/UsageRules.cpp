#include "UsageRules.h"

#include <algorithm>

namespace Quorel {

bool nameMatches(QStringView appName, QStringView entryName) {
    return !entryName.isEmpty() && appName.contains(entryName, Qt::CaseInsensitive);
}

qint64 usedSeconds(const SecondsMap& tracked, QStringView name) {
    qint64 sum = 0;
    for (auto it = tracked.cbegin(); it != tracked.cend(); ++it) {
        if (nameMatches(it.key(), name)) {
            sum += it.value();
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

qint64 streakRunBefore(const SecondsMap& secondsByDay, QDate today, double goalHours) {
    qint64 run = 0;
    // A run can be no longer than the days on record.
    for (QDate day = today.addDays(-1); run < secondsByDay.size(); day = day.addDays(-1)) {
        const auto it = secondsByDay.constFind(dateStamp(day));
        if (it == secondsByDay.cend() || !withinGoal(it.value(), goalHours)) {
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
