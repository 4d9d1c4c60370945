// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Quorel

// A choice with every option in view: the title on the leading side, one radio button per
// option stacked beside it. The owner binds currentIndex to its field and writes it on activated.
RowLayout {
    id: picker

    property string title
    property var model: []
    property int currentIndex: -1

    signal activated(int index)

    spacing: 16

    Text {
        Layout.alignment: Qt.AlignTop
        Layout.topMargin: 2
        text: picker.title
        textFormat: Text.PlainText
        color: picker.enabled ? Theme.text : Theme.disabledText
        font.pixelSize: Theme.bodySize
        Accessible.ignored: true
    }

    ColumnLayout {
        Layout.fillWidth: true
        spacing: 8

        Accessible.role: Accessible.Grouping
        Accessible.name: picker.title

        Repeater {
            model: picker.model

            delegate: RadioButton {
                id: option

                required property int index
                required property string modelData

                text: modelData
                checked: index === picker.currentIndex
                hoverEnabled: true
                padding: 0
                spacing: 8

                Accessible.name: text

                onClicked: {
                    if (index !== picker.currentIndex)
                        picker.activated(index);
                }

                indicator: Rectangle {
                    implicitWidth: 16
                    implicitHeight: 16
                    x: option.leftPadding
                    y: option.topPadding + (option.availableHeight - height) / 2
                    radius: 8
                    color: option.checked ? Theme.accent : Theme.control
                    border.width: option.visualFocus ? 2 : option.checked ? 0 : 1
                    border.color: option.visualFocus ? Theme.focusRing : Theme.barTrack
                    opacity: option.enabled ? 1 : 0.45

                    Rectangle {
                        anchors.centerIn: parent
                        width: 6
                        height: 6
                        radius: 3
                        color: "#FFFFFF"
                        visible: option.checked
                    }
                }

                contentItem: Text {
                    leftPadding: option.indicator.width + option.spacing
                    text: option.text
                    textFormat: Text.PlainText
                    color: option.enabled ? Theme.text : Theme.disabledText
                    font.pixelSize: Theme.bodySize
                    verticalAlignment: Text.AlignVCenter
                }
            }
        }
    }
}
