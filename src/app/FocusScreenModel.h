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

// What the Focus screen shows that is decided rather than read: texts chosen by the session's
// state, the protection summary, the picker titles. The screen writes straight to the manager.
class FocusScreenModel : public ManagerModel {
    Q_OBJECT
    QML_ELEMENT

    // Segment titles in declaration order, so a segment's index is its case's value.
    Q_PROPERTY(QStringList presetTitles READ presetTitles CONSTANT)
    Q_PROPERTY(QStringList soundTitles READ soundTitles CONSTANT)
    // The quick durations: objects with label and seconds, in button order.
    Q_PROPERTY(QVariantList durations READ durations CONSTANT)

    // The session: running, strict, break.
    Q_PROPERTY(bool locked READ locked NOTIFY sessionChanged)
    Q_PROPERTY(bool onBreak READ onBreak NOTIFY sessionChanged)
    Q_PROPERTY(QString phaseCaption READ phaseCaption NOTIFY sessionChanged)
    Q_PROPERTY(QString statusLine READ statusLine NOTIFY sessionChanged)
    Q_PROPERTY(QString primaryActionTitle READ primaryActionTitle NOTIFY sessionChanged)

    // "Active Protection".
    Q_PROPERTY(QString blockedAppsValue READ blockedAppsValue NOTIFY protectionChanged)
    Q_PROPERTY(QString blockedSitesValue READ blockedSitesValue NOTIFY protectionChanged)
    Q_PROPERTY(QString youTubeShortsValue READ youTubeShortsValue NOTIFY protectionChanged)
    Q_PROPERTY(QString instagramReelsValue READ instagramReelsValue NOTIFY protectionChanged)
    Q_PROPERTY(QString adultFilterValue READ adultFilterValue NOTIFY protectionChanged)

    Q_PROPERTY(bool showsVolume READ showsVolume NOTIFY soundChanged)

public:
    explicit FocusScreenModel(QObject* parent = nullptr);

    QStringList presetTitles() const;
    QStringList soundTitles() const;
    QVariantList durations() const;

    bool locked() const;
    bool onBreak() const;
    QString phaseCaption() const;
    QString statusLine() const;
    QString primaryActionTitle() const;

    QString blockedAppsValue() const;
    QString blockedSitesValue() const;
    QString youTubeShortsValue() const;
    QString instagramReelsValue() const;
    QString adultFilterValue() const;

    bool showsVolume() const;

    // Whether a quick duration is the countdown's current length. The length is an argument so
    // a binding that passes FocusManager.totalSeconds follows it.
    Q_INVOKABLE bool isCurrentDuration(qint64 totalSeconds, qint64 seconds) const;

signals:
    void sessionChanged();
    void protectionChanged();
    void soundChanged();

protected:
    void follow(FocusManager* manager) override;
    void managerReplaced() override;

private:
};

}  // namespace Quorel
