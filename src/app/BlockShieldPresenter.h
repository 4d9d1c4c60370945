#pragma once

#include "FocusManager.h"

#include <QtQml/qqmlregistration.h>
#include <QObject>
#include <QPointer>

namespace Quorel {

// The block shield's lines for one blocked application, in the manager's current session.
class BlockShieldPresenter : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(Quorel::FocusManager* manager READ manager WRITE setManager NOTIFY managerChanged)
    Q_PROPERTY(QString targetName READ targetName WRITE setTargetName NOTIFY targetNameChanged)

    Q_PROPERTY(QString title READ title NOTIFY textsChanged)
    Q_PROPERTY(QString message READ message NOTIFY textsChanged)
    Q_PROPERTY(QString remaining READ remaining NOTIFY remainingChanged)

public:
    explicit BlockShieldPresenter(QObject* parent = nullptr);

    FocusManager* manager() const { return m_manager; }
    void setManager(FocusManager* manager);
    QString targetName() const { return m_targetName; }
    void setTargetName(const QString& name);

    QString title() const;
    QString message() const;
    QString remaining() const;

signals:
    void managerChanged();
    void targetNameChanged();
    void textsChanged();
    void remainingChanged();

private:
    QPointer<FocusManager> m_manager;
    QString m_targetName;
};

}  // namespace Quorel
