// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Quorel

// The Settings screen: a grouped form whose every control writes a manager field directly.
Item {
    id: root

    SettingsScreenModel {
        id: screen
        manager: FocusManager
    }

    // The form's own background: hidden while the glass backdrop should show through.
    Rectangle {
        anchors.fill: parent
        visible: !FocusManager.glassEnabled
        color: Theme.panel
    }

    ScrollPage {
        anchors.fill: parent
        padding: 16
        spacing: 20

        FormSection {
            Layout.fillWidth: true
            title: "Appearance & Glass"

            LabeledSwitch {
                Layout.fillWidth: true
                text: "Glass Theme"
                checked: FocusManager.glassEnabled
                onToggled: FocusManager.glassEnabled = checked
            }

            LabeledSlider {
                Layout.fillWidth: true
                visible: FocusManager.glassEnabled
                label: screen.transparencyLabel
                labelWidth: 190
                from: 0.05
                to: 0.85
                value: FocusManager.glassTransparency
                onMoved: transparency => FocusManager.glassTransparency = transparency
                onReleased: FocusManager.saveNow()
            }

            RowLayout {
                Layout.fillWidth: true
                spacing: 12

                Label {
                    Layout.fillWidth: true
                    text: "Color Theme"
                    color: Theme.text
                    font.pixelSize: Theme.bodySize
                    Accessible.ignored: true
                }

                SwatchComboBox {
                    model: screen.themeOptions
                    currentIndex: FocusManager.colorTheme
                    Accessible.name: "Color Theme"
                    onActivated: index => FocusManager.colorTheme = index
                }
            }
        }

        FormSection {
            Layout.fillWidth: true
            title: "Screen Time Tracking"

            InlineChoicePicker {
                Layout.fillWidth: true
                title: "Usage Mode"
                model: screen.usageModeTitles
                currentIndex: FocusManager.screenTimeMode
                onActivated: index => FocusManager.screenTimeMode = index
            }

            Label {
                Layout.fillWidth: true
                text: screen.usageModeExplanation
                textFormat: Text.PlainText
                color: Theme.secondaryText
                font.pixelSize: Theme.captionSize
                wrapMode: Text.WordWrap
            }

            // Time away: after how long without input the user counts as away.
            ColumnLayout {
                Layout.fillWidth: true
                spacing: 4

                RowLayout {
                    Layout.fillWidth: true
                    spacing: 12

                    Label {
                        Layout.fillWidth: true
                        text: "Count as away after"
                        color: Theme.text
                        font.pixelSize: Theme.bodySize
                        Accessible.ignored: true
                    }

                    SpinBox {
                        id: awayAfter

                        from: screen.fewestAwayMinutes
                        to: screen.mostAwayMinutes
                        value: FocusManager.awayAfterMinutes
                        editable: false
                        hoverEnabled: true
                        font.pixelSize: Theme.bodySize
                        textFromValue: minutes => screen.awayAfterText(minutes)
                        Accessible.name: "Count as away after"
                        Accessible.description: displayText
                        onValueModified: FocusManager.awayAfterMinutes = value

                        contentItem: Text {
                            text: awayAfter.displayText
                            font: awayAfter.font
                            color: awayAfter.enabled ? Theme.text : Theme.disabledText
                            horizontalAlignment: Text.AlignHCenter
                            verticalAlignment: Text.AlignVCenter
                            Accessible.ignored: true
                        }

                        up.indicator: Rectangle {
                            x: awayAfter.width - width
                            implicitWidth: 30
                            implicitHeight: 30
                            radius: 7
                            color: awayAfter.up.pressed ? Theme.controlDown
                                 : awayAfter.up.hovered ? Theme.controlHover : Theme.control
                            opacity: awayAfter.value < awayAfter.to ? 1 : 0.45

                            Text {
                                anchors.centerIn: parent
                                text: "+"
                                color: Theme.text
                                font.pixelSize: Theme.bodySize + 2
                            }
                        }

                        down.indicator: Rectangle {
                            implicitWidth: 30
                            implicitHeight: 30
                            radius: 7
                            color: awayAfter.down.pressed ? Theme.controlDown
                                 : awayAfter.down.hovered ? Theme.controlHover : Theme.control
                            opacity: awayAfter.value > awayAfter.from ? 1 : 0.45

                            Text {
                                anchors.centerIn: parent
                                text: "\u2212"
                                color: Theme.text
                                font.pixelSize: Theme.bodySize + 2
                            }
                        }

                        background: Rectangle {
                            implicitWidth: 150
                            implicitHeight: 30
                            radius: 7
                            color: Theme.control
                            border.width: awayAfter.visualFocus ? 2 : 1
                            border.color: awayAfter.visualFocus ? Theme.focusRing : Theme.cardBorder
                        }
                    }
                }

                Label {
                    Layout.fillWidth: true
                    text: screen.awayExplanation
                    textFormat: Text.PlainText
                    color: Theme.secondaryText
                    font.pixelSize: Theme.captionSize
                    wrapMode: Text.WordWrap
                }
            }
        }

        FormSection {
            Layout.fillWidth: true
            title: "Timer & Tray"

            LabeledSwitch {
                Layout.fillWidth: true
                text: "Auto-start 5m break after focus"
                checked: FocusManager.autoStartBreak
                onToggled: FocusManager.autoStartBreak = checked
            }

            LabeledSwitch {
                Layout.fillWidth: true
                text: "Show live countdown in the system tray"
                checked: FocusManager.countdownInTray
                onToggled: FocusManager.countdownInTray = checked
            }
        }

        FormSection {
            Layout.fillWidth: true
            title: "Websites"

            LabeledSwitch {
                Layout.fillWidth: true
                text: "Hide browsers Quorel can't guard"
                checked: FocusManager.hideUnguardedBrowsers
                onToggled: FocusManager.hideUnguardedBrowsers = checked
            }

            Text {
                Layout.fillWidth: true
                text: "During focus, a browser without Quorel's extension is hidden like a blocked app. Strict focus always hides it."
                textFormat: Text.PlainText
                color: Theme.secondaryText
                font.pixelSize: Theme.captionSize
                wrapMode: Text.WordWrap
            }
        }

        // Starting at login: what the desktop's autostart entry says, read again whenever Quorel
        // comes to the front; a change that fails snaps back and says why.
        FormSection {
            Layout.fillWidth: true
            visible: loginStart.available
            title: "Startup"

            LoginStartModel {
                id: loginStart
                manager: FocusManager
            }

            LabeledSwitch {
                Layout.fillWidth: true
                text: "Start Quorel at login"
                checked: loginStart.loginStartEnabled
                onToggled: loginStart.loginStartEnabled = checked
            }

            NoticeLine {
                objectName: "loginStartProblem"
                text: loginStart.problem
                color: Theme.red
            }
        }

        FormSection {
            Layout.fillWidth: true
            title: "Daily Screen Time Goal"

            LabeledSlider {
                Layout.fillWidth: true
                label: screen.dailyLimitLabel
                labelWidth: 190
                from: 1
                to: 6
                stepSize: 0.5
                value: FocusManager.dailyGoalHours
                onMoved: hours => FocusManager.dailyGoalHours = hours
                onReleased: FocusManager.saveNow()
            }
        }
    }
}
