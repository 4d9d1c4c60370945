// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "FocusManager.h"
#include "ManagerModel.h"

#include <QtQml/qqmlregistration.h>
#include <QObject>
#include <QPointer>

namespace Quorel {

// The block shield's lines for one blocked application, in the manager's current session.
class BlockShieldPresenter : public ManagerModel {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QString targetName READ targetName WRITE setTargetName NOTIFY targetNameChanged)

    Q_PROPERTY(QString title READ title NOTIFY textsChanged)
    Q_PROPERTY(QString message READ message NOTIFY textsChanged)
    Q_PROPERTY(QString remaining READ remaining NOTIFY remainingChanged)

public:
    explicit BlockShieldPresenter(QObject* parent = nullptr);

    QString targetName() const { return m_targetName; }
    void setTargetName(const QString& name);

    QString title() const;
    QString message() const;
    QString remaining() const;

signals:
    void targetNameChanged();
    void textsChanged();
    void remainingChanged();

protected:
    void follow(FocusManager* manager) override;
    void managerReplaced() override;

private:
    QString m_targetName;
};

}  // namespace Quorel
