// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "FocusManager.h"
#include "ManagerModel.h"
#include "RowListModel.h"

#include <QtQml/qqmlregistration.h>
#include <QObject>
#include <QPointer>
#include <QString>

namespace Quorel {

// What the Insights screen shows, derived from the manager: the mode badge, the figure cards'
// texts, the weekly bars and the top apps, refreshed as the tracker counts.
class InsightsScreenModel : public ManagerModel {
    Q_OBJECT
    QML_ELEMENT

    Q_PROPERTY(QString modeBadge READ modeBadge NOTIFY figuresChanged)
    Q_PROPERTY(QString screenTimeText READ screenTimeText NOTIFY figuresChanged)
    Q_PROPERTY(QString goalText READ goalText NOTIFY figuresChanged)
    Q_PROPERTY(QString focusMinutesText READ focusMinutesText NOTIFY figuresChanged)
    Q_PROPERTY(QString sessionsText READ sessionsText NOTIFY figuresChanged)
    Q_PROPERTY(QString streakText READ streakText NOTIFY figuresChanged)

    // A bar at full scale; no bar is taller.
    Q_PROPERTY(double fullBarHeight READ fullBarHeight CONSTANT)
    // Seven days, oldest first. Roles: day, label ("45m", "1.5h"), barHeight, overGoal.
    Q_PROPERTY(Quorel::RowListModel* weeklyBars READ weeklyBars CONSTANT)
    // Most used first, at most five. Roles: name, minutesText ("2m"), fraction (0 to 1).
    Q_PROPERTY(Quorel::RowListModel* topApps READ topApps CONSTANT)

public:
    explicit InsightsScreenModel(QObject* parent = nullptr);

    QString modeBadge() const;
    QString screenTimeText() const;
    QString goalText() const;
    QString focusMinutesText() const;
    QString sessionsText() const;
    QString streakText() const;
    double fullBarHeight() const;
    RowListModel* weeklyBars() { return &m_weeklyBars; }
    RowListModel* topApps() { return &m_topApps; }

signals:
    void figuresChanged();

protected:
    void follow(FocusManager* manager) override;
    void managerReplaced() override;

private:
    void refresh();

    RowListModel m_weeklyBars;
    RowListModel m_topApps;
};

}  // namespace Quorel
