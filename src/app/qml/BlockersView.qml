// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Quorel

// What blocking enforces: the three always-on guards, the blocked applications with their
// daily allowances, and the blocked websites. Everything reads and writes the manager, the add
// fields through the screen model; while a strict session runs, every control that edits is
// disabled.
Item {
    id: root

    readonly property bool locked: FocusManager.isLocked

    BlockersScreenModel {
        id: screen
        manager: FocusManager
    }

    ScrollPage {
        anchors.fill: parent

        ColumnLayout {
            Layout.fillWidth: true
            spacing: 4

            Text {
                Layout.fillWidth: true
                text: "App & Website Blockers"
                Accessible.role: Accessible.Heading
                Accessible.name: text
                color: Theme.text
                font.pixelSize: Theme.title2Size
                font.bold: true
                wrapMode: Text.Wrap
            }

            Text {
                Layout.fillWidth: true
                text: "Set daily app allowances or block distracting apps and websites during Focus."
                Accessible.role: Accessible.StaticText
                Accessible.name: text
                color: Theme.secondaryText
                font.pixelSize: Theme.bodySize
                wrapMode: Text.Wrap
            }
        }

        GlassCard {
            Layout.fillWidth: true
            implicitHeight: guard.implicitHeight + 2 * 18
            cornerRadius: 18

            ColumnLayout {
                id: guard

                anchors.fill: parent
                anchors.margins: 18
                spacing: 12

                Text {
                    text: "Short-Form Video & 18+ Guard"
                    Accessible.role: Accessible.Heading
                    Accessible.name: text
                    color: Theme.text
                    font.pixelSize: Theme.headlineSize
                    font.weight: Font.DemiBold
                }

                // One row where it fits, wrapping in a narrow window: 24 between switches in a
                // row (the spacing and each switch's trailing padding), 12 between rows.
                Flow {
                    Layout.fillWidth: true
                    spacing: 12

                    LabeledSwitch {
                        text: "Block YouTube Shorts"
                        rightPadding: 12
                        enabled: !root.locked
                        checked: FocusManager.blockYouTubeShorts
                        onToggled: FocusManager.blockYouTubeShorts = checked
                    }

                    LabeledSwitch {
                        text: "Block Instagram Reels"
                        rightPadding: 12
                        enabled: !root.locked
                        checked: FocusManager.blockInstagramReels
                        onToggled: FocusManager.blockInstagramReels = checked
                    }

                    LabeledSwitch {
                        text: "Block 18+ Websites (24/7)"
                        rightPadding: 12
                        enabled: !root.locked
                        checked: FocusManager.blockAdultSites
                        onToggled: FocusManager.blockAdultSites = checked
                    }
                }
            }
        }

        // Side by side where each card keeps room for a row's name, picker and trash button;
        // stacked in a narrow window.
        GridLayout {
            Layout.fillWidth: true
            columns: width >= 640 ? 2 : 1
            columnSpacing: 18
            rowSpacing: 20

            GlassCard {
                Layout.fillWidth: true
                Layout.preferredWidth: 1
                Layout.alignment: Qt.AlignTop
                implicitHeight: apps.implicitHeight + 2 * 18
                cornerRadius: 18

                ColumnLayout {
                    id: apps

                    anchors.fill: parent
                    anchors.margins: 18
                    spacing: 12

                    RowLayout {
                        Layout.fillWidth: true
                        spacing: 8

                        Text {
                            Layout.fillWidth: true
                            text: "Blocked Apps"
                            Accessible.role: Accessible.Heading
                            Accessible.name: text
                            color: Theme.text
                            font.pixelSize: Theme.headlineSize
                            font.weight: Font.DemiBold
                            elide: Text.ElideRight
                        }

                        ActionButton {
                            id: addAppButton

                            text: "Add App"
                            enabled: !root.locked
                            onClicked: addMenu.open()
                        }

                        PopupMenu {
                            id: addMenu

                            // Asked afresh each time the menu opens: applications come and go.
                            property var installedNames: []
                            property var runningNames: []

                            parent: addAppButton
                            x: addAppButton.width - width
                            y: addAppButton.height + 4

                            onAboutToShow: {
                                installedNames = FocusManager.installedAppNames();
                                runningNames = FocusManager.runningRegularAppNames();
                            }

                            PopupMenuItem {
                                text: "Choose from Applications..."
                                // After the menu has closed: the chooser is modal.
                                onTriggered: Qt.callLater(() => FocusManager.chooseAppFromApplications())
                            }

                            MenuSeparator {
                                contentItem: Rectangle {
                                    implicitHeight: 1
                                    color: Theme.divider
                                }
                            }

                            PopupMenu {
                                id: installedMenu

                                title: "Installed Apps"

                                Instantiator {
                                    model: addMenu.installedNames
                                    delegate: PopupMenuItem {
                                        required property string modelData

                                        text: modelData
                                        onTriggered: FocusManager.addApp(modelData)
                                    }
                                    onObjectAdded: (index, item) => installedMenu.insertItem(index, item)
                                    onObjectRemoved: (index, item) => installedMenu.removeItem(item)
                                }
                            }

                            PopupMenu {
                                id: runningMenu

                                title: "Running Apps"

                                Instantiator {
                                    model: addMenu.runningNames
                                    delegate: PopupMenuItem {
                                        required property string modelData

                                        text: modelData
                                        onTriggered: FocusManager.addApp(modelData)
                                    }
                                    onObjectAdded: (index, item) => runningMenu.insertItem(index, item)
                                    onObjectRemoved: (index, item) => runningMenu.removeItem(item)
                                }
                            }
                        }
                    }

                    RowLayout {
                        Layout.fillWidth: true
                        spacing: 8

                        // Return does not add: only the button does.
                        InputField {
                            Layout.fillWidth: true
                            Layout.minimumWidth: 100
                            placeholderText: "App name (e.g. Discord)"
                            text: screen.newAppName
                            onTextEdited: screen.newAppName = text
                        }

                        ActionButton {
                            kind: "prominent"
                            text: "Add"
                            enabled: !root.locked
                            onClicked: screen.addApp()
                        }
                    }

                    NoticeLine {
                        objectName: "workspaceLimitation"
                        text: FocusManager.workspaceLimitation
                    }

                    Repeater {
                        model: screen.appRows

                        delegate: RowLayout {
                            id: row

                            required property string appId
                            required property string name
                            required property bool isEnabled
                            required property string usageText
                            required property bool allowanceReached
                            required property int allowanceIndex
                            required property string allowanceLabel
                            required property string deleteLabel

                            Layout.fillWidth: true
                            spacing: 8

                            LabeledSwitch {
                                Layout.fillWidth: true
                                text: row.name
                                caption: row.usageText
                                captionSize: Theme.caption2Size
                                captionColor: row.allowanceReached ? Theme.red : Theme.secondaryText
                                enabled: !root.locked
                                checked: row.isEnabled
                                onToggled: FocusManager.setAppEnabled(row.appId, checked)
                            }

                            PopupPicker {
                                Layout.preferredWidth: 112
                                label: row.allowanceLabel
                                model: screen.allowanceTitles
                                currentIndex: row.allowanceIndex
                                enabled: !root.locked
                                onActivated: index => screen.chooseAllowance(row.appId, index)
                            }

                            IconButton {
                                iconName: "edit-delete"
                                text: row.deleteLabel
                                enabled: !root.locked
                                onClicked: FocusManager.removeAppWithId(row.appId)
                            }
                        }
                    }
                }
            }

            // The websites the browser guard sends away during focus, and the probe that tells
            // whether any browser can be reached at all.
            GlassCard {
                Layout.fillWidth: true
                Layout.preferredWidth: 1
                Layout.alignment: Qt.AlignTop
                implicitHeight: sites.implicitHeight + 2 * 18
                cornerRadius: 18

                ColumnLayout {
                    id: sites

                    anchors.fill: parent
                    anchors.margins: 18
                    spacing: 12

                    RowLayout {
                        Layout.fillWidth: true
                        spacing: 8

                        Text {
                            Layout.fillWidth: true
                            Layout.minimumHeight: addAppButton.implicitHeight
                            text: "Blocked Websites"
                            Accessible.role: Accessible.Heading
                            Accessible.name: text
                            color: Theme.text
                            font.pixelSize: Theme.headlineSize
                            font.weight: Font.DemiBold
                            verticalAlignment: Text.AlignVCenter
                            elide: Text.ElideRight
                        }

                        // Never locked: checking access changes nothing.
                        ActionButton {
                            text: "Test Browser Access"
                            font.pixelSize: Theme.captionSize
                            leftPadding: 10
                            rightPadding: 10
                            onClicked: FocusManager.requestBrowserAccess()
                        }
                    }

                    Text {
                        objectName: "browserAccessHint"
                        Layout.fillWidth: true
                        visible: FocusManager.browserAccessDenied
                        text: "Install the Quorel browser extension (or start the browser with --remote-debugging-port) to let Quorel guard websites."
                        Accessible.role: Accessible.StaticText
                        Accessible.name: text
                        Accessible.ignored: !visible
                        color: Theme.red
                        font.pixelSize: Theme.captionSize
                        wrapMode: Text.Wrap
                    }

                    // Every browser installed or running, and how far it is guarded.
                    Repeater {
                        model: screen.browserRows

                        delegate: RowLayout {
                            id: browserLine

                            required property string name
                            required property string state
                            required property bool guarded
                            required property string label

                            Layout.fillWidth: true
                            spacing: 8
                            Accessible.role: Accessible.StaticText
                            Accessible.name: browserLine.label

                            Text {
                                text: browserLine.name
                                textFormat: Text.PlainText
                                Accessible.ignored: true
                                color: Theme.text
                                font.pixelSize: Theme.captionSize
                                font.weight: Font.DemiBold
                            }

                            Text {
                                Layout.fillWidth: true
                                text: browserLine.state
                                textFormat: Text.PlainText
                                Accessible.ignored: true
                                color: browserLine.guarded ? Theme.green : Theme.secondaryText
                                font.pixelSize: Theme.captionSize
                                wrapMode: Text.Wrap
                            }
                        }
                    }

                    // What the link cannot reach in a browser (private windows, an extension of
                    // another release), and a bridge that could not listen.
                    NoticeLine {
                        objectName: "browserNotice"
                        text: FocusManager.browserNotice
                    }

                    NoticeLine {
                        objectName: "bridgeProblem"
                        text: FocusManager.bridgeProblem
                    }

                    RowLayout {
                        Layout.fillWidth: true
                        spacing: 8

                        // Return does not add: only the button does.
                        InputField {
                            Layout.fillWidth: true
                            Layout.minimumWidth: 100
                            placeholderText: "Domain (e.g. reddit.com)"
                            text: screen.newSiteDomain
                            onTextEdited: screen.newSiteDomain = text
                        }

                        ActionButton {
                            objectName: "addSiteButton"
                            kind: "prominent"
                            text: "Add"
                            enabled: !root.locked
                            onClicked: screen.addSite()
                        }
                    }

                    Repeater {
                        model: screen.siteRows

                        delegate: RowLayout {
                            id: site

                            required property string siteId
                            required property string domain
                            required property bool isEnabled
                            required property string deleteLabel

                            Layout.fillWidth: true
                            spacing: 8

                            LabeledSwitch {
                                Layout.fillWidth: true
                                text: site.domain
                                enabled: !root.locked
                                checked: site.isEnabled
                                onToggled: FocusManager.setSiteEnabled(site.siteId, checked)
                            }

                            IconButton {
                                iconName: "edit-delete"
                                text: site.deleteLabel
                                enabled: !root.locked
                                onClicked: FocusManager.removeSiteWithId(site.siteId)
                            }
                        }
                    }
                }
            }
        }
    }
}
