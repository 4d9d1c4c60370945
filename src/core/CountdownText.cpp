// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "CountdownText.h"

namespace Quorel {

QString formatRemaining(qint64 remainingSeconds) {
    const qint64 minutes = remainingSeconds / 60;
    const qint64 seconds = remainingSeconds % 60;
    QString text;
    if (remainingSeconds <= 599) {
        text.append(QLatin1Char('0'));
    }
    text.append(QString::number(minutes));
    text.append(QLatin1Char(':'));
    if (seconds <= 9) {
        text.append(QLatin1Char('0'));
    }
    text.append(QString::number(seconds));
    return text;
}

}  // namespace Quorel
