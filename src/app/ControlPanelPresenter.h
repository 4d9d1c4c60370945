// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "FocusManager.h"
#include "ManagerModel.h"

#include <QtQml/qqmlregistration.h>
#include <QObject>
#include <QPointer>
#include <QString>

namespace Quorel {

// What the control window and the countdown card show, derived from the manager, so that the
// views only lay out and bind. It keeps no state of its own beyond the manager it reads.
class ControlPanelPresenter : public ManagerModel {
    Q_OBJECT
    QML_ELEMENT

    // The session: running, strict, break, preset.
    Q_PROPERTY(bool locked READ locked NOTIFY sessionChanged)
    Q_PROPERTY(bool onBreak READ onBreak NOTIFY sessionChanged)
    Q_PROPERTY(QString headerTitle READ headerTitle NOTIFY sessionChanged)
    Q_PROPERTY(QString headerSubtitle READ headerSubtitle NOTIFY sessionChanged)
    Q_PROPERTY(QString primaryActionTitle READ primaryActionTitle NOTIFY sessionChanged)
    Q_PROPERTY(QString phaseCaption READ phaseCaption NOTIFY sessionChanged)
    Q_PROPERTY(QString presetName READ presetName NOTIFY sessionChanged)

    // The countdown, which moves once a second while running.
    Q_PROPERTY(QString remaining READ remaining NOTIFY countdownChanged)
    Q_PROPERTY(double progress READ progress NOTIFY countdownChanged)

    // Today's usage against the goal.
    Q_PROPERTY(QString usageTitle READ usageTitle NOTIFY usageChanged)
    Q_PROPERTY(QString usageFigures READ usageFigures NOTIFY usageChanged)
    Q_PROPERTY(double usageFraction READ usageFraction NOTIFY usageChanged)

public:
    explicit ControlPanelPresenter(QObject* parent = nullptr);

    bool locked() const;
    bool onBreak() const;
    QString headerTitle() const;
    QString headerSubtitle() const;
    QString primaryActionTitle() const;
    QString phaseCaption() const;
    QString presetName() const;
    QString remaining() const;
    double progress() const;
    QString usageTitle() const;
    QString usageFigures() const;
    double usageFraction() const;

signals:
    void sessionChanged();
    void countdownChanged();
    void usageChanged();

protected:
    void follow(FocusManager* manager) override;
    void managerReplaced() override;

private:
};

}  // namespace Quorel
