// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Shapes
import QtQuick.Templates as T
import Quorel

// A compact HH:MM picker: two typed fields and a stepper. Up and Down step the focused field
// (wrapping), digits replace it, Tab moves on. edited() reports the time the user picked; hour
// and minute only follow the owner's values.
FocusScope {
    id: picker

    property string label
    property int hour
    property int minute

    signal edited(int hour, int minute)

    // The field the stepper steps: the one that had the focus last.
    property T.SpinBox current: hourField
    property bool ready: false

    function report() {
        if (ready && (hourField.value !== hour || minuteField.value !== minute))
            edited(hourField.value, minuteField.value);
    }

    function step(up) {
        if (up)
            current.increase();
        else
            current.decrease();
        current.forceActiveFocus();
    }

    Component.onCompleted: ready = true

    Accessible.role: Accessible.Grouping
    Accessible.name: label

    implicitWidth: fields.implicitWidth + stepper.width + 14
    implicitHeight: 30

    // The bare template: no arrows of its own, the picker has one stepper for both fields.
    component TimeField: T.SpinBox {
        id: field

        property string accessibleName

        Accessible.name: accessibleName

        from: 0
        wrap: true
        editable: true
        wheelEnabled: false
        implicitWidth: 22
        implicitHeight: 24
        font.pixelSize: Theme.bodySize

        validator: IntValidator {
            bottom: field.from
            top: field.to
        }
        textFromValue: value => TimeFieldText.format(value)
        valueFromText: text => {
            const parsed = TimeFieldText.parse(text, field.to);
            return parsed < 0 ? field.value : parsed;
        }

        onActiveFocusChanged: {
            if (activeFocus) {
                picker.current = field;
                contentItem.selectAll();
            }
        }

        // Stepping needs indicators to exist; the picker's stepper is the visible one.
        up.indicator: Item {}
        down.indicator: Item {}

        contentItem: TextInput {
            text: field.displayText
            font: field.font
            color: Theme.text
            selectionColor: Theme.accent
            selectedTextColor: "#FFFFFF"
            horizontalAlignment: Qt.AlignHCenter
            verticalAlignment: Qt.AlignVCenter
            readOnly: !field.editable
            validator: field.validator
            inputMethodHints: Qt.ImhDigitsOnly
            maximumLength: 2
            selectByMouse: true
        }
    }

    Rectangle {
        anchors.fill: parent
        radius: 7
        color: Theme.control
        border.width: picker.activeFocus ? 2 : 1
        border.color: picker.activeFocus ? Theme.focusRing : Theme.cardBorder
    }

    Row {
        id: fields

        x: 7
        anchors.verticalCenter: parent.verticalCenter

        TimeField {
            id: hourField

            focus: true
            to: 23
            value: picker.hour
            accessibleName: picker.label + " hour"
            onValueChanged: picker.report()
        }

        Text {
            anchors.verticalCenter: parent.verticalCenter
            text: ":"
            color: Theme.secondaryText
            font.pixelSize: Theme.bodySize
            Accessible.ignored: true
        }

        TimeField {
            id: minuteField

            to: 59
            value: picker.minute
            accessibleName: picker.label + " minute"
            onValueChanged: picker.report()
        }
    }

    // For the mouse only: the fields themselves are what the keyboard and screen readers use.
    Column {
        id: stepper

        anchors.right: parent.right
        anchors.rightMargin: 4
        anchors.verticalCenter: parent.verticalCenter
        width: 14

        Repeater {
            model: [true, false]

            delegate: AbstractButton {
                id: arrow

                required property bool modelData

                width: stepper.width
                height: 11
                focusPolicy: Qt.NoFocus
                autoRepeat: true
                hoverEnabled: true
                Accessible.ignored: true
                onClicked: picker.step(modelData)

                contentItem: Item {
                    Shape {
                        anchors.centerIn: parent
                        width: 7
                        height: 4
                        antialiasing: true

                        ShapePath {
                            fillColor: arrow.hovered || arrow.down ? Theme.text : Theme.secondaryText
                            strokeColor: "transparent"
                            startX: 0
                            startY: arrow.modelData ? 4 : 0
                            PathLine {
                                x: 3.5
                                y: arrow.modelData ? 0 : 4
                            }
                            PathLine {
                                x: 7
                                y: arrow.modelData ? 4 : 0
                            }
                        }
                    }
                }
            }
        }
    }
}
