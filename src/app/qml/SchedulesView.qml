// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Quorel

// Scheduled focus blocks: a form that adds one, and the list with a switch and a delete button
// per schedule. The form lives in the screen model until Add; the rows read and write the
// manager. Nothing here is locked by strict mode.
Item {
    id: root

    SchedulesScreenModel {
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
                text: "Scheduled Focus Blocks"
                Accessible.role: Accessible.Heading
                Accessible.name: text
                color: Theme.text
                font.pixelSize: Theme.title2Size
                font.bold: true
                wrapMode: Text.Wrap
            }

            Text {
                Layout.fillWidth: true
                text: "Automatically start Focus or Wind Down during your set daily hours."
                Accessible.role: Accessible.StaticText
                Accessible.name: text
                color: Theme.secondaryText
                font.pixelSize: Theme.bodySize
                wrapMode: Text.Wrap
            }
        }

        GlassCard {
            Layout.fillWidth: true
            implicitHeight: addForm.implicitHeight + 2 * 18
            cornerRadius: 18

            ColumnLayout {
                id: addForm

                anchors.fill: parent
                anchors.margins: 18
                spacing: 14

                Text {
                    text: "Add New Schedule"
                    Accessible.role: Accessible.Heading
                    Accessible.name: text
                    color: Theme.text
                    font.pixelSize: Theme.headlineSize
                    font.weight: Font.DemiBold
                }

                // One line when the label field keeps room for a few words (at the window's
                // default size it does; its placeholder then elides), else the times wrap under
                // the label and preset.
                GridLayout {
                    id: form

                    readonly property real oneLineWidth: 150 + columnSpacing
                                                         + presetLine.implicitWidth
                                                         + columnSpacing + timeLine.implicitWidth

                    Layout.fillWidth: true
                    columns: width >= oneLineWidth ? 2 : 1
                    columnSpacing: 12
                    rowSpacing: 12

                    RowLayout {
                        Layout.fillWidth: true
                        spacing: 12

                        InputField {
                            Layout.fillWidth: true
                            Layout.minimumWidth: 120
                            placeholderText: "Label (e.g. Morning Deep Work)"
                            text: screen.newTitle
                            onTextEdited: screen.newTitle = text
                        }

                        RowLayout {
                            id: presetLine

                            spacing: 8

                            Text {
                                text: "Preset"
                                color: Theme.secondaryText
                                font.pixelSize: Theme.bodySize
                            }

                            PopupPicker {
                                Layout.preferredWidth: 150
                                label: "Preset"
                                model: screen.presetTitles
                                currentIndex: screen.presetIndex
                                onActivated: index => screen.choosePreset(index)
                            }
                        }
                    }

                    RowLayout {
                        id: timeLine

                        spacing: 12

                        TimePicker {
                            label: "Start"
                            hour: screen.startHour
                            minute: screen.startMinute
                            onEdited: (hour, minute) => {
                                screen.setStartTime(hour, minute);
                            }
                        }

                        Text {
                            text: "to"
                            color: Theme.secondaryText
                            font.pixelSize: Theme.bodySize
                        }

                        TimePicker {
                            label: "End"
                            hour: screen.endHour
                            minute: screen.endMinute
                            onEdited: (hour, minute) => {
                                screen.setEndTime(hour, minute);
                            }
                        }

                        ActionButton {
                            kind: "prominent"
                            text: "Add"
                            onClicked: screen.addSchedule()
                        }
                    }
                }
            }
        }

        GlassCard {
            Layout.fillWidth: true
            implicitHeight: list.implicitHeight + 2 * 18
            cornerRadius: 18

            ColumnLayout {
                id: list

                anchors.fill: parent
                anchors.margins: 18
                spacing: 12

                Text {
                    text: "Active Schedules"
                    Accessible.role: Accessible.Heading
                    Accessible.name: text
                    color: Theme.text
                    font.pixelSize: Theme.headlineSize
                    font.weight: Font.DemiBold
                }

                Repeater {
                    model: screen.rows

                    delegate: RowLayout {
                        id: row

                        required property string scheduleId
                        required property string title
                        required property string detail
                        required property bool isEnabled
                        required property string deleteLabel

                        Layout.fillWidth: true
                        Layout.topMargin: 4
                        Layout.bottomMargin: 4
                        spacing: 8

                        // Filling the row lines the switches up beside the delete buttons.
                        LabeledSwitch {
                            Layout.fillWidth: true
                            text: row.title
                            caption: row.detail
                            titleSize: Theme.subheadlineSize
                            titleWeight: Font.DemiBold
                            checked: row.isEnabled
                            onToggled: FocusManager.setScheduleEnabled(row.scheduleId, checked)
                        }

                        IconButton {
                            iconName: "edit-delete"
                            text: row.deleteLabel
                            onClicked: FocusManager.removeScheduleWithId(row.scheduleId)
                        }
                    }
                }
            }
        }
    }
}
