// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "FocusScreenModel.h"

#include "DisplayFormat.h"
#include "FocusScreenFormat.h"

#include <QVariantMap>

namespace Quorel {

FocusScreenModel::FocusScreenModel(QObject* parent) : ManagerModel(parent) {}

void FocusScreenModel::follow(FocusManager* manager) {
    const auto session = &FocusScreenModel::sessionChanged;
    connect(manager, &FocusManager::isRunningChanged, this, session);
    connect(manager, &FocusManager::isBreakChanged, this, session);
    connect(manager, &FocusManager::strictModeChanged, this, session);
    const auto protection = &FocusScreenModel::protectionChanged;
    connect(manager, &FocusManager::blockedAppsChanged, this, protection);
    connect(manager, &FocusManager::blockedSitesChanged, this, protection);
    connect(manager, &FocusManager::blockYouTubeShortsChanged, this, protection);
    connect(manager, &FocusManager::blockInstagramReelsChanged, this, protection);
    connect(manager, &FocusManager::blockAdultSitesChanged, this, protection);
    connect(manager, &FocusManager::ambientSoundChanged, this, &FocusScreenModel::soundChanged);
}

void FocusScreenModel::managerReplaced() {
    emit sessionChanged();
    emit protectionChanged();
    emit soundChanged();
}

QStringList FocusScreenModel::presetTitles() const {
    return allRawValues<FocusPreset>();
}

QStringList FocusScreenModel::soundTitles() const {
    return allRawValues<AmbientSoundType>();
}

QVariantList FocusScreenModel::durations() const {
    QVariantList list;
    for (const QuickDuration& duration : quickDurations) {
        list.append(QVariantMap{
            {QStringLiteral("label"), textOf(duration.label)},
            {QStringLiteral("seconds"), duration.seconds},
        });
    }
    return list;
}

bool FocusScreenModel::locked() const {
    return m_manager != nullptr && m_manager->isLocked();
}

bool FocusScreenModel::onBreak() const {
    return m_manager != nullptr && m_manager->isBreak();
}

QString FocusScreenModel::phaseCaption() const {
    return m_manager != nullptr ? countdownPhaseCaption(m_manager->isBreak()) : QString();
}

QString FocusScreenModel::statusLine() const {
    if (m_manager == nullptr) {
        return {};
    }
    return focusStatusLine(m_manager->isRunning(), m_manager->strictMode());
}

QString FocusScreenModel::primaryActionTitle() const {
    if (m_manager == nullptr) {
        return {};
    }
    return focusPrimaryActionTitle(m_manager->isRunning(), m_manager->strictMode());
}

QString FocusScreenModel::blockedAppsValue() const {
    return m_manager != nullptr ? Quorel::blockedAppsValue(m_manager->enabledBlockedAppCount())
                                : QString();
}

QString FocusScreenModel::blockedSitesValue() const {
    return m_manager != nullptr ? Quorel::blockedSitesValue(m_manager->enabledBlockedSiteCount())
                                : QString();
}

QString FocusScreenModel::youTubeShortsValue() const {
    return m_manager != nullptr ? shortFormValue(m_manager->blockYouTubeShorts()) : QString();
}

QString FocusScreenModel::instagramReelsValue() const {
    return m_manager != nullptr ? shortFormValue(m_manager->blockInstagramReels()) : QString();
}

QString FocusScreenModel::adultFilterValue() const {
    return m_manager != nullptr ? Quorel::adultFilterValue(m_manager->blockAdultSites())
                                : QString();
}

bool FocusScreenModel::showsVolume() const {
    return m_manager != nullptr && showsAmbientVolume(m_manager->ambientSound());
}

bool FocusScreenModel::isCurrentDuration(qint64 totalSeconds, qint64 seconds) const {
    return Quorel::isCurrentDuration(totalSeconds, seconds);
}

}  // namespace Quorel
