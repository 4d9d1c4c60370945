// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

import QtQuick
import QtQuick.Layouts
import Quorel

// The main window's left column: the brand, one row per screen, and the daily goal card.
Item {
    id: sidebar

    required property MainWindowPresenter presenter
    property bool glass: FocusManager.glassEnabled

    function select(tab) {
        sidebar.presenter.selectedTab = tab;
    }

    // The list's own background; the glass shows through while the glass look is on.
    Rectangle {
        objectName: "sidebarBackground"
        anchors.fill: parent
        visible: !sidebar.glass
        color: Theme.panel
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 12

        RowLayout {
            Layout.leftMargin: 12
            Layout.rightMargin: 12
            Layout.topMargin: 14
            spacing: 10

            Rectangle {
                implicitWidth: 34
                implicitHeight: 34
                radius: 10
                gradient: Gradient {
                    GradientStop {
                        position: 0
                        color: Qt.lighter(Theme.accent, 1.22)
                    }
                    GradientStop {
                        position: 1
                        color: Theme.accent
                    }
                }

                Text {
                    anchors.centerIn: parent
                    text: "Qo"
                    color: "white"
                    font.pixelSize: 13
                    font.bold: true
                    Accessible.ignored: true
                }
            }

            ColumnLayout {
                Layout.fillWidth: true
                spacing: 1

                Text {
                    Layout.fillWidth: true
                    text: "Quorel"
                    color: Theme.text
                    font.pixelSize: Theme.headlineSize
                    font.bold: true
                    elide: Text.ElideRight
                    Accessible.role: Accessible.StaticText
                    Accessible.name: text
                }

                Text {
                    Layout.fillWidth: true
                    text: "Screen Time Control"
                    color: Theme.secondaryText
                    font.pixelSize: Theme.captionSize
                    elide: Text.ElideRight
                    Accessible.role: Accessible.StaticText
                    Accessible.name: text
                }
            }
        }

        ListView {
            id: tabList

            Layout.fillWidth: true
            Layout.fillHeight: true
            Layout.leftMargin: 10
            Layout.rightMargin: 10
            clip: true
            spacing: 2
            boundsBehavior: Flickable.StopAtBounds
            activeFocusOnTab: true
            keyNavigationEnabled: false
            model: sidebar.presenter.tabs

            Accessible.role: Accessible.List
            Accessible.name: "Sidebar"

            Keys.onUpPressed: sidebar.select(sidebar.presenter.selectedTab - 1)
            Keys.onDownPressed: sidebar.select(sidebar.presenter.selectedTab + 1)

            delegate: SidebarTabRow {
                required property var modelData

                width: ListView.view.width
                text: modelData.title
                iconName: modelData.icon
                selected: sidebar.presenter.selectedTab === modelData.tab
                showFocus: tabList.activeFocus
                onClicked: sidebar.select(modelData.tab)
            }
        }

        DailyGoalCard {
            Layout.fillWidth: true
            Layout.leftMargin: 12
            Layout.rightMargin: 12
            Layout.bottomMargin: 12
            percentText: sidebar.presenter.goalPercentText
            fraction: sidebar.presenter.goalFraction
            figures: sidebar.presenter.goalFigures
        }
    }
}
