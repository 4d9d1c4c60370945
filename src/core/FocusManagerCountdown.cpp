// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The focus countdown: start, pause, reset, presets, and the per-second step with its
// end-of-focus and end-of-break transitions.
#include "CountdownText.h"
#include "FocusManager.h"

#include <QScopedValueRollback>

#include <algorithm>

namespace Quorel {

double FocusManager::progress() const {
    if (m_totalSeconds < 1) {
        return 0.0;
    }
    return double(m_remainingSeconds) / double(m_totalSeconds);
}

QString FocusManager::formattedRemaining() const {
    return formatRemaining(m_remainingSeconds);
}

QString FocusManager::currentBreakPrompt() const {
    const qint64 count = m_breakPrompts.size();
    const qint64 index = ((m_breakPromptIndex % count) + count) % count;
    return m_breakPrompts.at(index);
}

void FocusManager::toggleStartPause() {
    if (isLocked()) {
        return;
    }
    setIsRunning(!m_isRunning);
    if (m_isRunning) {
        hideAnyCurrentlyOpenBlockedApps();
    }
    // The saved document says at once whether focus runs, so a kill cannot lose it.
    saveState();
}

void FocusManager::resetTimer() {
    if (isLocked()) {
        return;
    }
    setIsRunning(false);
    setIsBreak(false);
    setRemainingSeconds(m_totalSeconds);
    saveState();
}

void FocusManager::endSessionForQuit() {
    if (isLocked()) {
        return;
    }
    setIsRunning(false);
    saveState();
    // The browsers would keep the session's sites until its end: they are told before we go.
    updateBrowserRules(true);
}

void FocusManager::resumeSession(const RunningSession& session) {
    setSelectedPreset(session.preset);
    setTotalSeconds(session.totalSeconds);
    setRemainingSeconds(session.remainingSeconds);
    setStrictMode(session.strictMode);
    setIsBreak(false);
    setIsRunning(true);
}

void FocusManager::applyPreset(FocusPreset preset) {
    if (m_isRunning) {
        return;
    }
    setIsBreak(false);
    syncAmbientAudio();
    setTotalSeconds(sessionLengthSeconds(preset));
    setRemainingSeconds(sessionLengthSeconds(preset));
    setStrictMode(strictWhenApplied(preset));
    setBlockYouTubeShorts(true);
    setBlockInstagramReels(true);
    saveState();
}

void FocusManager::chooseDuration(qint64 seconds) {
    if (m_isRunning) {
        return;
    }
    setTotalSeconds(seconds);
    setRemainingSeconds(seconds);
    setIsBreak(false);
    syncAmbientAudio();
    saveState();
}

void FocusManager::nextBreakPrompt() {
    setBreakPromptIndex((m_breakPromptIndex + 1) % m_breakPrompts.size());
}

void FocusManager::tickFocusTimer() {
    if (m_remainingSeconds >= 1) {
        // At least a second a beat, and as many as have passed since the countdown last started:
        // a process stopped for a while (kill -STOP) or a loop that missed beats loses no focus
        // time. Passed time, not the wall clock, which a user may set forward.
        const qint64 nowMs = m_platform.clock.monotonicMilliseconds();
        const std::optional<CountdownAnchor> anchor = m_countdownAnchor;
        qint64 next = m_remainingSeconds - 1;
        if (anchor && nowMs >= anchor->atMs) {
            next = std::min(next, anchor->remaining - (nowMs - anchor->atMs) / 1000);
        }
        setRemainingSeconds(std::max<qint64>(next, 0));
        m_countdownAnchor = anchor ? *anchor : CountdownAnchor{m_remainingSeconds, nowMs};
        return;
    }
    m_platform.sound.playFocusComplete();

    if (m_isBreak) {
        {
            // Between the two, focus would run for a moment: the sound device would open and
            // close again within the tick.
            const QScopedValueRollback holding(m_holdingAmbientSync, true);
            setIsBreak(false);
            setIsRunning(false);
        }
        syncAmbientAudio();
        setTotalSeconds(afterBreakSeconds);
        setRemainingSeconds(afterBreakSeconds);
        return;
    }

    setSessionsToday(m_sessionsToday + 1);
    setFocusMinutesToday(m_focusMinutesToday + (m_totalSeconds >= 60 ? m_totalSeconds / 60 : 1));
    saveState();
    if (m_autoStartBreak) {
        nextBreakPrompt();
        setIsBreak(true);
        setTotalSeconds(breakSeconds);
        setRemainingSeconds(breakSeconds);
    } else {
        setIsRunning(false);
    }
}

void FocusManager::syncAmbientAudio() {
    if (m_holdingAmbientSync) {
        return;
    }
    const bool shouldPlay = m_previewAmbientSound || (m_isRunning && !m_isBreak);
    m_platform.ambient.update(m_ambientSound, shouldPlay, m_ambientVolume);
}

}  // namespace Quorel
