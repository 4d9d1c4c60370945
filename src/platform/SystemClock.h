// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "ports/Clock.h"

namespace Quorel {

// The machine's wall clock, in the user's time zone and locale.
class SystemClock : public Clock {
public:
    QDateTime now() const override;
    qint64 monotonicMilliseconds() const override;
    QString shortWeekdayName(QDate date) const override;
};

}  // namespace Quorel
