// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "MainWindowPresenter.h"

#include "DisplayFormat.h"
#include "MainWindowFormat.h"
#include "MainWindowState.h"

#include <QFile>

namespace Quorel {

MainWindowPresenter::MainWindowPresenter(QObject* parent) : ManagerModel(parent) {}

void MainWindowPresenter::follow(FocusManager* manager) {
    connect(manager, &FocusManager::usageChanged, this, &MainWindowPresenter::goalChanged);
    connect(manager, &FocusManager::dailyGoalHoursChanged, this, &MainWindowPresenter::goalChanged);
    connect(manager, &FocusManager::isRunningChanged, this, &MainWindowPresenter::sessionChanged);
    connect(manager, &FocusManager::strictModeChanged, this, &MainWindowPresenter::sessionChanged);
    connect(&MainWindowState::of(*manager), &MainWindowState::selectedTabChanged, this,
            &MainWindowPresenter::screenChanged);
}

void MainWindowPresenter::managerReplaced() {
    emit goalChanged();
    emit sessionChanged();
    emit screenChanged();
}

QVariantList MainWindowPresenter::tabs() const {
    QVariantList list;
    for (const auto& [tab, title] : EnumCases<FocusTab>::all) {
        list.append(QVariantMap{
            {QStringLiteral("tab"), static_cast<int>(tab)},
            {QStringLiteral("title"), rawValue(tab)},
            {QStringLiteral("icon"), screenIconName(tab)},
        });
    }
    return list;
}

QString MainWindowPresenter::goalPercentText() const {
    if (m_manager == nullptr) {
        return {};
    }
    return dailyGoalPercentText(m_manager->totalScreenTimeHours(), m_manager->dailyGoalHours());
}

double MainWindowPresenter::goalFraction() const {
    if (m_manager == nullptr) {
        return 0;
    }
    return usageBarFraction(m_manager->totalScreenTimeHours(), m_manager->dailyGoalHours());
}

QString MainWindowPresenter::goalFigures() const {
    if (m_manager == nullptr) {
        return {};
    }
    return dailyGoalFigures(m_manager->totalScreenTimeHours(), m_manager->dailyGoalHours());
}

bool MainWindowPresenter::showsStrictBanner() const {
    return m_manager != nullptr &&
           Quorel::showsStrictBanner(m_manager->isRunning(), m_manager->strictMode());
}

QString MainWindowPresenter::strictBannerText() const {
    return Quorel::strictBannerText();
}

int MainWindowPresenter::selectedTab() const {
    return m_manager != nullptr ? static_cast<int>(MainWindowState::of(*m_manager).selectedTab())
                                : -1;
}

void MainWindowPresenter::setSelectedTab(int tab) {
    if (m_manager == nullptr) {
        return;
    }
    // The keyboard steps past the ends; those steps go nowhere.
    for (const auto& [known, title] : EnumCases<FocusTab>::all) {
        if (static_cast<int>(known) == tab) {
            MainWindowState::of(*m_manager).setSelectedTab(known);
        }
    }
}

QUrl MainWindowPresenter::screenSource() const {
    if (m_manager == nullptr) {
        return {};
    }
    const QString path = QStringLiteral("/qt/qml/Quorel/qml/") +
                         screenFileName(MainWindowState::of(*m_manager).selectedTab());
    if (!QFile::exists(QLatin1Char(':') + path)) {
        return {};
    }
    QUrl url;
    url.setScheme(QStringLiteral("qrc"));
    url.setPath(path);
    return url;
}

QString MainWindowPresenter::screenTitle() const {
    return m_manager != nullptr ? rawValue(MainWindowState::of(*m_manager).selectedTab())
                                : QString();
}

QString MainWindowPresenter::screenIcon() const {
    return m_manager != nullptr ? screenIconName(MainWindowState::of(*m_manager).selectedTab())
                                : QString();
}

}  // namespace Quorel
