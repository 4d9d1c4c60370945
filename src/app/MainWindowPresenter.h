// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "FocusManager.h"
#include "ManagerModel.h"

#include <QtQml/qqmlregistration.h>
#include <QObject>
#include <QPointer>
#include <QUrl>
#include <QVariantList>

namespace Quorel {

// What the main window's frame shows around the screens: the sidebar's tabs, the daily goal
// card, the strict banner, and which screen is selected and which file the detail column loads
// for it.
class MainWindowPresenter : public ManagerModel {
    Q_OBJECT
    QML_ELEMENT

    // One entry per tab in order: {tab, title, icon}.
    Q_PROPERTY(QVariantList tabs READ tabs CONSTANT)

    Q_PROPERTY(QString goalPercentText READ goalPercentText NOTIFY goalChanged)
    Q_PROPERTY(double goalFraction READ goalFraction NOTIFY goalChanged)
    Q_PROPERTY(QString goalFigures READ goalFigures NOTIFY goalChanged)

    Q_PROPERTY(bool showsStrictBanner READ showsStrictBanner NOTIFY sessionChanged)
    Q_PROPERTY(QString strictBannerText READ strictBannerText CONSTANT)

    // The screen shown, as a FocusTab; a value that is no tab is ignored.
    Q_PROPERTY(int selectedTab READ selectedTab WRITE setSelectedTab NOTIFY screenChanged)
    // The selected tab's screen; an empty URL while its file is not part of the app yet.
    Q_PROPERTY(QUrl screenSource READ screenSource NOTIFY screenChanged)
    Q_PROPERTY(QString screenTitle READ screenTitle NOTIFY screenChanged)
    Q_PROPERTY(QString screenIcon READ screenIcon NOTIFY screenChanged)

public:
    explicit MainWindowPresenter(QObject* parent = nullptr);

    QVariantList tabs() const;
    QString goalPercentText() const;
    double goalFraction() const;
    QString goalFigures() const;
    bool showsStrictBanner() const;
    QString strictBannerText() const;
    int selectedTab() const;
    void setSelectedTab(int tab);
    QUrl screenSource() const;
    QString screenTitle() const;
    QString screenIcon() const;

signals:
    void goalChanged();
    void sessionChanged();
    void screenChanged();

protected:
    void follow(FocusManager* manager) override;
    void managerReplaced() override;
};

}  // namespace Quorel
