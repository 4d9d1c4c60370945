// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "BlockersScreenModel.h"

#include "BlockersFormat.h"
#include "MainWindowState.h"

namespace Quorel {

BlockersScreenModel::BlockersScreenModel(QObject* parent)
    : ManagerModel(parent),
      m_appRows({"appId", "name", "isEnabled", "usageText", "allowanceReached", "allowanceIndex",
                 "allowanceLabel", "deleteLabel"},
                0, this),
      m_siteRows({"siteId", "domain", "isEnabled", "deleteLabel"}, 0, this),
      m_browserRows({"name", "state", "guarded", "label"}, 0, this) {}

void BlockersScreenModel::follow(FocusManager* manager) {
    connect(manager, &FocusManager::blockedAppsChanged, this, &BlockersScreenModel::refreshApps);
    // Today's use moves every second while the tracker counts.
    connect(manager, &FocusManager::usageChanged, this, &BlockersScreenModel::refreshApps);
    connect(manager, &FocusManager::blockedSitesChanged, this, &BlockersScreenModel::refreshSites);
    connect(manager, &FocusManager::browserStatesChanged, this,
            &BlockersScreenModel::refreshBrowsers);
    const MainWindowState& state = MainWindowState::of(*manager);
    connect(&state, &MainWindowState::newAppNameChanged, this,
            &BlockersScreenModel::newAppNameChanged);
    connect(&state, &MainWindowState::newSiteDomainChanged, this,
            &BlockersScreenModel::newSiteDomainChanged);
}

void BlockersScreenModel::managerReplaced() {
    refreshApps();
    refreshSites();
    refreshBrowsers();
    if (m_manager != nullptr) {
        m_manager->refreshBrowserStates();  // the screen opens: how each browser stands now
    }
    emit newAppNameChanged();
    emit newSiteDomainChanged();
}

QString BlockersScreenModel::newAppName() const {
    return m_manager != nullptr ? MainWindowState::of(*m_manager).newAppName() : QString();
}

void BlockersScreenModel::setNewAppName(const QString& name) {
    if (m_manager != nullptr) {
        MainWindowState::of(*m_manager).setNewAppName(name);
    }
}

QString BlockersScreenModel::newSiteDomain() const {
    return m_manager != nullptr ? MainWindowState::of(*m_manager).newSiteDomain() : QString();
}

void BlockersScreenModel::setNewSiteDomain(const QString& domain) {
    if (m_manager != nullptr) {
        MainWindowState::of(*m_manager).setNewSiteDomain(domain);
    }
}

void BlockersScreenModel::addApp() {
    if (m_manager == nullptr) {
        return;
    }
    MainWindowState& state = MainWindowState::of(*m_manager);
    m_manager->addApp(state.newAppName());
    state.setNewAppName(QString());
}

void BlockersScreenModel::addSite() {
    if (m_manager == nullptr) {
        return;
    }
    MainWindowState& state = MainWindowState::of(*m_manager);
    m_manager->addSite(state.newSiteDomain());
    state.setNewSiteDomain(QString());
}

QStringList BlockersScreenModel::allowanceTitles() const {
    return Quorel::allowanceTitles();
}

void BlockersScreenModel::chooseAllowance(const QString& appId, int index) {
    if (m_manager == nullptr) {
        return;
    }
    if (const std::optional<int> minutes = allowanceMinutesAt(index)) {
        m_manager->setAppDailyLimitWithId(appId, *minutes);
    }
}

void BlockersScreenModel::refreshApps() {
    QList<RowListModel::Row> rows;
    if (m_manager != nullptr) {
        rows.reserve(m_manager->blockedApps().size());
        for (const BlockedApp& app : m_manager->blockedApps()) {
            const qint64 used =
                app.dailyLimitMinutes ? m_manager->usedSecondsForApp(app.name) : qint64(0);
            rows.append(RowListModel::Row{
                uuidText(app.id),
                app.name,
                app.isEnabled,
                app.dailyLimitMinutes ? allowanceUsageText(used, *app.dailyLimitMinutes)
                                      : QString(),
                app.dailyLimitMinutes && allowanceReached(used, *app.dailyLimitMinutes),
                allowanceIndex(app.dailyLimitMinutes.value_or(0)),
                allowancePickerLabel(app.name),
                deleteLabel(app.name),
            });
        }
    }
    m_appRows.setRows(rows);
}

void BlockersScreenModel::refreshSites() {
    QList<RowListModel::Row> rows;
    if (m_manager != nullptr) {
        rows.reserve(m_manager->blockedSites().size());
        for (const BlockedSite& site : m_manager->blockedSites()) {
            rows.append(RowListModel::Row{uuidText(site.id), site.domain, site.isEnabled,
                                          deleteLabel(site.domain)});
        }
    }
    m_siteRows.setRows(rows);
}

void BlockersScreenModel::refreshBrowsers() {
    QList<RowListModel::Row> rows;
    if (m_manager != nullptr) {
        for (const BrowserStateLine& line : m_manager->browserStates()) {
            rows.append(RowListModel::Row{line.name, line.state, line.guarded,
                                          QString(line.name + u": " + line.state)});
        }
    }
    m_browserRows.setRows(rows);
}

}  // namespace Quorel
