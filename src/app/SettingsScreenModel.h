// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "FocusManager.h"
#include "ManagerModel.h"

#include <QtQml/qqmlregistration.h>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QVariantList>

namespace Quorel {

// The Settings screen's labels and choice lists. The screen binds its controls straight to the
// manager's fields; this only words what they hold.
class SettingsScreenModel : public ManagerModel {
    Q_OBJECT
    QML_ELEMENT

    // Choices in declaration order, so an entry's index is its case's value. Themes are objects
    // with title and accent (the swatch colour).
    Q_PROPERTY(QVariantList themeOptions READ themeOptions CONSTANT)
    Q_PROPERTY(QStringList usageModeTitles READ usageModeTitles CONSTANT)

    Q_PROPERTY(QString transparencyLabel READ transparencyLabel NOTIFY transparencyChanged)
    Q_PROPERTY(QString dailyLimitLabel READ dailyLimitLabel NOTIFY dailyGoalChanged)
    Q_PROPERTY(QString usageModeExplanation READ usageModeExplanation NOTIFY usageModeChanged)
    Q_PROPERTY(QString awayExplanation READ awayExplanation CONSTANT)
    Q_PROPERTY(int fewestAwayMinutes READ fewestAwayMinutes CONSTANT)
    Q_PROPERTY(int mostAwayMinutes READ mostAwayMinutes CONSTANT)

public:
    explicit SettingsScreenModel(QObject* parent = nullptr);

    QVariantList themeOptions() const;
    QStringList usageModeTitles() const;
    QString transparencyLabel() const;
    QString dailyLimitLabel() const;
    QString usageModeExplanation() const;
    QString awayExplanation() const;
    int fewestAwayMinutes() const;
    int mostAwayMinutes() const;
    // The stepper's text for a number of minutes.
    Q_INVOKABLE QString awayAfterText(int minutes) const;

signals:
    void transparencyChanged();
    void dailyGoalChanged();
    void usageModeChanged();

protected:
    void follow(FocusManager* manager) override;
    void managerReplaced() override;

private:
};

}  // namespace Quorel
