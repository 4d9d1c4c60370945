#pragma once

#include "FocusManager.h"
#include "ManagerModel.h"
#include "RowListModel.h"

#include <QtQml/qqmlregistration.h>
#include <QObject>
#include <QStringList>

namespace Quorel {

// What the Blockers screen shows, derived from the manager: one row per blocked application
// with its allowance and today's use, and one per blocked website. The screen writes straight
// to the manager.
class BlockersScreenModel : public ManagerModel {
    Q_OBJECT
    QML_ELEMENT

    Q_PROPERTY(QStringList allowanceTitles READ allowanceTitles CONSTANT)

    // Roles: appId, name, isEnabled, usageText (empty without an allowance), allowanceReached,
    // allowanceIndex, allowanceLabel, deleteLabel.
    Q_PROPERTY(Quorel::RowListModel* appRows READ appRows CONSTANT)
    // Roles: siteId, domain, isEnabled, deleteLabel.
    Q_PROPERTY(Quorel::RowListModel* siteRows READ siteRows CONSTANT)

public:
    explicit BlockersScreenModel(QObject* parent = nullptr);

    QStringList allowanceTitles() const;
    RowListModel* appRows() { return &m_appRows; }
    RowListModel* siteRows() { return &m_siteRows; }

    // The allowance picker's choice for one application, by its position in allowanceTitles.
    Q_INVOKABLE void chooseAllowance(const QString& appId, int index);

protected:
    void follow(FocusManager* manager) override;
    void managerReplaced() override;

private:
    void refreshApps();
    void refreshSites();

    RowListModel m_appRows;
    RowListModel m_siteRows;
};

}  // namespace Quorel
