// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "TimeFieldText.h"

#include "SchedulesFormat.h"

namespace Quorel {

QString TimeFieldText::format(int value) const {
    return clockFieldText(value);
}

int TimeFieldText::parse(const QString& text, int highest) const {
    return parseClockField(text, highest).value_or(-1);
}

}  // namespace Quorel
