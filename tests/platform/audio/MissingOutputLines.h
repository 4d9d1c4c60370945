// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Counts the log lines that say no audio output could be opened, whichever output logs them.
// Install countMissing with qInstallMessageHandler and reset missingLines first.

#include "AmbientAudioPlayer.h"
#include "AmbientOutput.h"

#include <QString>
#include <QTest>
#include <QtGlobal>

#include <atomic>
#include <memory>

inline std::atomic<int> missingLines{0};

inline void countMissing(QtMsgType, const QMessageLogContext&, const QString& message) {
    if (message.contains(QLatin1String("no audio output"))) {
        ++missingLines;
    }
}

// An output that cannot open: the player keeps the sound chosen meanwhile, tries again, and the
// log says so once.
inline void silentOutputSaysSoOnce(std::unique_ptr<Quorel::AmbientOutput> output) {
    using Quorel::AmbientSoundType;
    const QtMessageHandler previous = qInstallMessageHandler(countMissing);
    missingLines = 0;
    {
        Quorel::AmbientAudioPlayer player(std::move(output));
        player.update(AmbientSoundType::Rain, true, 0.25);
        QTRY_COMPARE(missingLines.load(), 1);
        player.update(AmbientSoundType::Rain, true, 0.5);
        player.update(AmbientSoundType::Zen, true, 0.5);
        QTest::qWait(1700);  // tries again after 0.5 s and 1 s more
        QCOMPARE(player.currentType(), AmbientSoundType::Zen);
    }
    qInstallMessageHandler(previous);
    QCOMPARE(missingLines.load(), 1);
}
