#pragma once

#include "FocusManager.h"

#include <QtQml/qqmlregistration.h>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QVariantList>

namespace Quorel {

// The Settings screen's labels and choice lists. The screen binds its controls straight to the
// manager's fields; this only words what they hold.
class SettingsScreenModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(Quorel::FocusManager* manager READ manager WRITE setManager NOTIFY managerChanged)

    // Choices in declaration order, so an entry's index is its case's value. Themes are objects
    // with title and accent (the swatch colour).
    Q_PROPERTY(QVariantList themeOptions READ themeOptions CONSTANT)
    Q_PROPERTY(QStringList usageModeTitles READ usageModeTitles CONSTANT)

    Q_PROPERTY(QString transparencyLabel READ transparencyLabel NOTIFY transparencyChanged)
    Q_PROPERTY(QString dailyLimitLabel READ dailyLimitLabel NOTIFY dailyGoalChanged)
    Q_PROPERTY(QString usageModeExplanation READ usageModeExplanation NOTIFY usageModeChanged)

public:
    explicit SettingsScreenModel(QObject* parent = nullptr);

    FocusManager* manager() const { return m_manager; }
    void setManager(FocusManager* manager);

    QVariantList themeOptions() const;
    QStringList usageModeTitles() const;
    QString transparencyLabel() const;
    QString dailyLimitLabel() const;
    QString usageModeExplanation() const;

signals:
    void managerChanged();
    void transparencyChanged();
    void dailyGoalChanged();
    void usageModeChanged();

private:
    QPointer<FocusManager> m_manager;
};

}  // namespace Quorel
