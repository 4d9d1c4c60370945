// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "SystemClock.h"

#include <QDeadlineTimer>
#include <QLocale>

namespace Quorel {

QDateTime SystemClock::now() const {
    return QDateTime::currentDateTime();
}

qint64 SystemClock::monotonicMilliseconds() const {
    return QDeadlineTimer::current().deadline();
}

QString SystemClock::shortWeekdayName(QDate date) const {
    return QLocale().dayName(date.dayOfWeek(), QLocale::ShortFormat);
}

}  // namespace Quorel
