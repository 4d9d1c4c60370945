// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Application blocking: the decision, its four enforcement paths (the activation watcher, the
// shown-window watcher, the 0.3 s guard, the start-of-focus sweep), and the block list's
// operations.
#include "FocusManager.h"
#include "UsageRules.h"

#include <QLoggingCategory>

#include <algorithm>
#include <limits>

namespace Quorel {

namespace {
// Which path hid what: the end-to-end tests tell the activation watcher from the guard by it.
Q_LOGGING_CATEGORY(lcBlocking, "quorel.blocking", QtInfoMsg)

// An allowance in seconds; a hand-edited document's absurd minutes must not overflow.
qint64 allowanceSeconds(qint64 minutes) {
    qint64 seconds = 0;
    if (__builtin_mul_overflow(minutes, qint64(60), &seconds)) {
        return minutes > 0 ? std::numeric_limits<qint64>::max()
                           : std::numeric_limits<qint64>::min();
    }
    return seconds;
}

// Sorted as a person reads a list, ignoring case; equal names once.
QStringList sortedUnique(QStringList names, Qt::CaseSensitivity sensitivity) {
    std::stable_sort(names.begin(), names.end(), [sensitivity](const QString& a, const QString& b) {
        return QString::localeAwareCompare(
                   sensitivity == Qt::CaseInsensitive ? a.toCaseFolded() : a,
                   sensitivity == Qt::CaseInsensitive ? b.toCaseFolded() : b) < 0;
    });
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}
}  // namespace

void FocusManager::setupAppWatcher() {
    m_platform.workspace.setActivationHandler(
        [this](const RunningApplication& application) { handleActivatedApp(application); });
    m_platform.workspace.setShownHandler(
        [this](const RunningApplication& application) { handleShownApp(application); });
    // Back after a loss (the compositor restarted, the extension was turned off and on): what
    // came up meanwhile is still on screen.
    m_platform.workspace.setChannelRestoredHandler([this] {
        if (m_isRunning && !m_isBreak) {
            hideAnyCurrentlyOpenBlockedApps();
        }
    });
}

// The front application only changes with the desktop's events, which reach the activation
// handler, so a guard beating all through focus would look at the same answer four times a
// second. It looks when what it decides from changes (focus, the list; the front through the
// activation handler) and beats only while a blocked application is in front: one the window
// manager refused to hide, or one that came back. Spent allowances are looked after on the
// heartbeat, as usage grows by the second.
void FocusManager::startFastAppGuard() {
    m_guardTimer.setInterval(300);
    connect(&m_guardTimer, &QTimer::timeout, this, &FocusManager::guardTick);
    for (auto changed : {&FocusManager::isRunningChanged, &FocusManager::isBreakChanged,
                         &FocusManager::blockedAppsChanged}) {
        connect(this, changed, this, &FocusManager::refreshGuard);
    }
    refreshGuard();
}

void FocusManager::refreshGuard() {
    m_hasAllowances =
        std::any_of(m_blockedApps.cbegin(), m_blockedApps.cend(), [](const BlockedApp& entry) {
            return entry.isEnabled && entry.dailyLimitMinutes.has_value();
        });
    m_guardTimer.stop();
    if (m_isRunning && !m_isBreak) {
        guardTick();
    }
}

bool FocusManager::shouldBlockApp(const QString& name) const {
    return shouldBlockAnyOf(name, {});
}

// By any name it is known by: a menu entry the user renamed must not unblock it.
bool FocusManager::shouldBlockApp(const RunningApplication& application) const {
    return !application.isThisProgram && !application.name.isEmpty() &&
           (shouldBlockAnyOf(application.name, application.otherNames) ||
            hidesUnguardedBrowser(application));
}

// The display name matches as it always has, by any part; the other names (a class, a program
// file, the entry's name in another locale) only whole: "Quorel" on the list must not take
// every program whose file name starts with "quorel".
bool FocusManager::shouldBlockAnyOf(const QString& name, const QStringList& otherNames) const {
    const bool focusActive = m_isRunning && !m_isBreak;
    const FoldedName display(name);
    QList<FoldedName> others;
    others.reserve(otherNames.size());
    for (const QString& other : otherNames) {
        others.append(FoldedName(other));
    }
    for (const BlockedApp& entry : m_blockedApps) {
        const FoldedName rule(entry.name);
        const bool matches =
            nameMatches(display, rule) ||
            std::any_of(others.cbegin(), others.cend(), [&rule](const FoldedName& other) {
                return !rule.name().isEmpty() && other.key() == rule.key();
            });
        if (!entry.isEnabled || !matches) {
            continue;
        }
        if (focusActive) {
            return true;
        }
        if (entry.dailyLimitMinutes &&
            usedSecondsForApp(entry.name) >= allowanceSeconds(*entry.dailyLimitMinutes)) {
            return true;
        }
    }
    return false;
}

void FocusManager::handleActivatedApp(const RunningApplication& application) {
    if (!shouldBlockApp(application)) {
        return;
    }
    qCDebug(lcBlocking) << "hidden as it came to the front:" << application.key;
    if (hidesUnguardedBrowser(application)) {
        recheckUnguardedBrowser(application);
    }
    m_platform.workspace.hide(application);
    // Some applications raise themselves once more right after activation.
    QTimer::singleShot(secondHideDelayMs, this,
                       [this, application] { m_platform.workspace.hide(application); });
    m_platform.shield.show(application.name, *this);
    // Watched until it has left the front.
    if (m_isRunning && !m_isBreak) {
        m_guardTimer.start();
    }
}

// A window brought back without the front (un-iconified by a script, put on another screen) is
// as much on screen as one in front. Hidden at once and once: a window that maps itself again
// each time is answered per showing, not by timers. Outside focus an allowance counts time in
// front only, which the activation watcher and the heartbeat see to.
void FocusManager::handleShownApp(const RunningApplication& application) {
    if (!m_isRunning || m_isBreak || !shouldBlockApp(application)) {
        return;
    }
    qCDebug(lcBlocking) << "hidden as it showed:" << application.key;
    m_platform.workspace.hide(application);
}

void FocusManager::guardTick() {
    const std::optional<RunningApplication> front = m_platform.workspace.frontmostApplication();
    if (!front || !shouldBlockApp(*front)) {
        m_guardHiddenKey.clear();
        m_guardTimer.stop();
        return;
    }
    if (m_isRunning && !m_isBreak && !m_guardTimer.isActive()) {
        m_guardTimer.start();
    }
    // Still in front since the guard hid it: the window manager refused. Asked again each beat,
    // the shield would flash for ever; a retry now and then is enough.
    if (front->key == m_guardHiddenKey && ++m_guardBeatsSinceHide < refusedHideRetryBeats) {
        return;
    }
    m_guardHiddenKey = front->key;
    m_guardBeatsSinceHide = 0;
    qCDebug(lcBlocking) << "hidden by the guard:" << front->key;
    m_platform.workspace.hide(*front);
    m_platform.shield.show(front->name, *this);
}

void FocusManager::hideAnyCurrentlyOpenBlockedApps() {
    // Unlike the watcher and the guard, the sweep does not spare this program's windows.
    for (const RunningApplication& application : m_platform.workspace.runningApplications()) {
        if (!application.name.isEmpty() &&
            shouldBlockAnyOf(application.name, application.otherNames)) {
            m_platform.workspace.hide(application);
        }
    }
}

void FocusManager::addApp(const QString& name) {
    if (isLocked()) {
        return;
    }
    const QString trimmed = name.trimmed();
    const bool listed =
        std::any_of(m_blockedApps.cbegin(), m_blockedApps.cend(), [&trimmed](const BlockedApp& a) {
            return a.name.compare(trimmed, Qt::CaseInsensitive) == 0;
        });
    if (trimmed.isEmpty() || listed) {
        return;
    }
    QList<BlockedApp> apps = m_blockedApps;
    apps.prepend(BlockedApp{QUuid::createUuid(), trimmed, true, std::nullopt});
    setBlockedApps(apps);
    saveState();
}

void FocusManager::removeApp(const QUuid& id) {
    if (isLocked()) {
        return;
    }
    QList<BlockedApp> apps = m_blockedApps;
    apps.removeIf([&id](const BlockedApp& a) { return a.id == id; });
    setBlockedApps(apps);
    saveState();
}

void FocusManager::setAppDailyLimit(const QUuid& id, std::optional<qint64> minutes) {
    if (isLocked()) {
        return;
    }
    QList<BlockedApp> apps = m_blockedApps;
    const auto it =
        std::find_if(apps.begin(), apps.end(), [&id](const BlockedApp& a) { return a.id == id; });
    if (it == apps.end()) {
        return;
    }
    it->dailyLimitMinutes = minutes;
    setBlockedApps(apps);
    saveState();
}

void FocusManager::chooseAppFromApplications() {
    if (isLocked()) {
        return;
    }
    for (const QString& name : m_platform.chooser.chooseApplications()) {
        addApp(name);
    }
}

QStringList FocusManager::installedAppNames() const {
    QStringList names;
    for (const RunningApplication& application : m_platform.workspace.installedApplications()) {
        if (application.name != QLatin1String("Quorel")) {
            names.append(application.name);
        }
    }
    return sortedUnique(names, Qt::CaseInsensitive);
}

QStringList FocusManager::runningRegularAppNames() const {
    QStringList names;
    for (const RunningApplication& application : m_platform.workspace.runningApplications()) {
        if (application.isRegular && !application.isThisProgram && !application.name.isEmpty() &&
            application.name != QLatin1String("Quorel")) {
            names.append(application.name);
        }
    }
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

void FocusManager::removeAppWithId(const QString& id) {
    if (const std::optional<QUuid> uuid = uuidFromText(id)) {
        removeApp(*uuid);
    }
}

void FocusManager::setAppDailyLimitWithId(const QString& id, int minutes) {
    if (const std::optional<QUuid> uuid = uuidFromText(id)) {
        setAppDailyLimit(*uuid, minutes > 0 ? std::optional<qint64>(minutes) : std::nullopt);
    }
}

void FocusManager::setAppEnabled(const QString& id, bool enabled) {
    if (isLocked()) {
        return;
    }
    const std::optional<QUuid> uuid = uuidFromText(id);
    QList<BlockedApp> apps = m_blockedApps;
    for (BlockedApp& a : apps) {
        if (uuid && a.id == *uuid) {
            a.isEnabled = enabled;
            setBlockedApps(apps);
            return;
        }
    }
}

int FocusManager::enabledBlockedAppCount() const {
    return int(std::count_if(m_blockedApps.cbegin(), m_blockedApps.cend(),
                             [](const BlockedApp& app) { return app.isEnabled; }));
}

int FocusManager::enabledBlockedSiteCount() const {
    return int(std::count_if(m_blockedSites.cbegin(), m_blockedSites.cend(),
                             [](const BlockedSite& site) { return site.isEnabled; }));
}

void FocusManager::setInterceptedTargetName(const QString& name) {
    setInterceptedTarget(name.isEmpty() ? std::nullopt : std::optional<QString>(name));
}

}  // namespace Quorel
