// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "FocusManager.h"
#include "ManagerModel.h"
#include "RowListModel.h"

#include <QtQml/qqmlregistration.h>
#include <QObject>
#include <QStringList>

namespace Quorel {

// What the Blockers screen shows, derived from the manager: one row per blocked application
// with its allowance and today's use, and one per blocked website; and the two add fields. The
// screen's other controls write straight to the manager.
class BlockersScreenModel : public ManagerModel {
    Q_OBJECT
    QML_ELEMENT

    Q_PROPERTY(QStringList allowanceTitles READ allowanceTitles CONSTANT)
    // What the add fields hold; kept in the manager's MainWindowState.
    Q_PROPERTY(QString newAppName READ newAppName WRITE setNewAppName NOTIFY newAppNameChanged)
    Q_PROPERTY(
        QString newSiteDomain READ newSiteDomain WRITE setNewSiteDomain NOTIFY newSiteDomainChanged)

    // Roles: appId, name, isEnabled, usageText (empty without an allowance), allowanceReached,
    // allowanceIndex, allowanceLabel, deleteLabel.
    Q_PROPERTY(Quorel::RowListModel* appRows READ appRows CONSTANT)
    // Roles: siteId, domain, isEnabled, deleteLabel.
    Q_PROPERTY(Quorel::RowListModel* siteRows READ siteRows CONSTANT)
    // One per browser installed or running. Roles: name, state, guarded, label (both in one
    // line, for screen readers).
    Q_PROPERTY(Quorel::RowListModel* browserRows READ browserRows CONSTANT)

public:
    explicit BlockersScreenModel(QObject* parent = nullptr);

    QStringList allowanceTitles() const;
    QString newAppName() const;
    void setNewAppName(const QString& name);
    QString newSiteDomain() const;
    void setNewSiteDomain(const QString& domain);
    RowListModel* appRows() { return &m_appRows; }
    RowListModel* siteRows() { return &m_siteRows; }
    RowListModel* browserRows() { return &m_browserRows; }

    // The allowance picker's choice for one application, by its position in allowanceTitles.
    Q_INVOKABLE void chooseAllowance(const QString& appId, int index);
    // Add: the manager adds the field's text if it may, and the field empties either way.
    Q_INVOKABLE void addApp();
    Q_INVOKABLE void addSite();

signals:
    void newAppNameChanged();
    void newSiteDomainChanged();

protected:
    void follow(FocusManager* manager) override;
    void managerReplaced() override;

private:
    void refreshApps();
    void refreshSites();
    void refreshBrowsers();

    RowListModel m_appRows;
    RowListModel m_siteRows;
    RowListModel m_browserRows;
};

}  // namespace Quorel
