// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "SettingsScreenModel.h"

#include "SettingsScreenFormat.h"
#include "ThemeStyle.h"

#include <QColor>
#include <QVariantMap>

namespace Quorel {

namespace {

QColor swatchColor(AppColorTheme theme) {
    const RgbaColor accent = themeAccent(theme);
    return QColor::fromRgbF(float(accent.red), float(accent.green), float(accent.blue),
                            float(accent.alpha));
}

}  // namespace

SettingsScreenModel::SettingsScreenModel(QObject* parent) : ManagerModel(parent) {}

void SettingsScreenModel::follow(FocusManager* manager) {
    connect(manager, &FocusManager::glassTransparencyChanged, this,
            &SettingsScreenModel::transparencyChanged);
    connect(manager, &FocusManager::dailyGoalHoursChanged, this,
            &SettingsScreenModel::dailyGoalChanged);
    connect(manager, &FocusManager::screenTimeModeChanged, this,
            &SettingsScreenModel::usageModeChanged);
}

void SettingsScreenModel::managerReplaced() {
    emit transparencyChanged();
    emit dailyGoalChanged();
    emit usageModeChanged();
}

QVariantList SettingsScreenModel::themeOptions() const {
    QVariantList options;
    for (const auto& entry : EnumCases<AppColorTheme>::all) {
        options.append(QVariantMap{
            {QStringLiteral("title"), rawValue(entry.first)},
            {QStringLiteral("accent"), swatchColor(entry.first)},
        });
    }
    return options;
}

QStringList SettingsScreenModel::usageModeTitles() const {
    return allRawValues<ScreenTimeTrackingMode>();
}

QString SettingsScreenModel::transparencyLabel() const {
    return m_manager != nullptr ? glassTransparencyLabel(m_manager->glassTransparency())
                                : QString();
}

QString SettingsScreenModel::dailyLimitLabel() const {
    return m_manager != nullptr ? Quorel::dailyLimitLabel(m_manager->dailyGoalHours()) : QString();
}

QString SettingsScreenModel::usageModeExplanation() const {
    return m_manager != nullptr ? Quorel::usageModeExplanation(m_manager->screenTimeMode())
                                : QString();
}

QString SettingsScreenModel::awayExplanation() const {
    return Quorel::awayExplanation();
}

int SettingsScreenModel::fewestAwayMinutes() const {
    return int(fewestAwayAfterMinutes);
}

int SettingsScreenModel::mostAwayMinutes() const {
    return int(mostAwayAfterMinutes);
}

QString SettingsScreenModel::awayAfterText(int minutes) const {
    return Quorel::awayAfterText(minutes);
}

}  // namespace Quorel
