// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "SystemClock.h"

#include <QLocale>

namespace Quorel {

QDateTime SystemClock::now() const {
    return QDateTime::currentDateTime();
}

QString SystemClock::shortWeekdayName(QDate date) const {
    return QLocale().dayName(date.dayOfWeek(), QLocale::ShortFormat);
}

}  // namespace Quorel
