// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Counts the log lines that say no audio output could be opened, whichever output logs them.
// Install countMissing with qInstallMessageHandler and reset missingLines first.

#include <QString>
#include <QtGlobal>

#include <atomic>

inline std::atomic<int> missingLines{0};

inline void countMissing(QtMsgType, const QMessageLogContext&, const QString& message) {
    if (message.contains(QLatin1String("no audio output"))) {
        ++missingLines;
    }
}
