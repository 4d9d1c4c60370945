// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Quorel

// The tray's control window: start, pause and reset the countdown, today's usage against the
// goal, the way back to the main window, and Quit.
Rectangle {
    id: root

    width: 270
    height: implicitHeight
    implicitHeight: rows.implicitHeight + 2 * rows.padding
    color: Theme.panel
    border.width: 1
    border.color: Theme.cardBorder

    ControlPanelPresenter {
        id: panel
        manager: FocusManager
    }

    ColumnLayout {
        id: rows

        readonly property int padding: 16

        x: padding
        y: padding
        width: root.width - 2 * padding
        spacing: 14

        RowLayout {
            Layout.fillWidth: true

            ColumnLayout {
                spacing: 2

                Label {
                    text: panel.headerTitle
                    textFormat: Text.PlainText
                    color: Theme.text
                    font.pixelSize: Theme.headlineSize
                    font.bold: true
                }

                Label {
                    text: panel.headerSubtitle
                    textFormat: Text.PlainText
                    color: panel.locked ? Theme.red : Theme.secondaryText
                    font.pixelSize: Theme.captionSize
                }
            }

            Item {
                Layout.fillWidth: true
            }

            TintedIcon {
                visible: panel.locked
                name: "changes-prevent"
                color: Theme.red
                implicitWidth: 16
                implicitHeight: 16
                // The subtitle already says it in words.
                Accessible.ignored: true
            }
        }

        CountdownRing {
            Layout.alignment: Qt.AlignHCenter
            Layout.preferredWidth: 112
            Layout.preferredHeight: 112
            progress: panel.progress
            remaining: panel.remaining
            caption: panel.phaseCaption
            onBreak: panel.onBreak
        }

        RowLayout {
            Layout.alignment: Qt.AlignHCenter
            spacing: 8

            ActionButton {
                kind: "prominent"
                text: panel.primaryActionTitle
                enabled: !panel.locked
                onClicked: FocusManager.toggleStartPause()
            }

            ActionButton {
                kind: "bordered"
                text: "Reset"
                enabled: !panel.locked
                onClicked: FocusManager.resetTimer()
            }
        }

        Rectangle {
            Layout.fillWidth: true
            implicitHeight: 1
            color: Theme.divider
        }

        ColumnLayout {
            Layout.fillWidth: true
            spacing: 5

            RowLayout {
                Layout.fillWidth: true

                Label {
                    text: panel.usageTitle
                    textFormat: Text.PlainText
                    color: Theme.text
                    font.pixelSize: Theme.caption2Size
                    font.weight: Font.DemiBold
                }

                Item {
                    Layout.fillWidth: true
                }

                Label {
                    text: panel.usageFigures
                    textFormat: Text.PlainText
                    color: Theme.secondaryText
                    font.pixelSize: Theme.caption2Size
                }
            }

            LinearProgress {
                Layout.fillWidth: true
                value: panel.usageFraction
                Accessible.name: panel.usageTitle
            }
        }

        RowLayout {
            Layout.fillWidth: true

            ActionButton {
                kind: "borderless"
                text: "Open Quorel"
                font.pixelSize: Theme.captionSize
                onClicked: AppShell.openMainWindow()
            }

            Item {
                Layout.fillWidth: true
            }

            ActionButton {
                kind: "borderless"
                tint: Theme.secondaryText
                text: "Quit"
                font.pixelSize: Theme.captionSize
                enabled: !panel.locked
                onClicked: AppShell.quit()
            }
        }
    }
}
