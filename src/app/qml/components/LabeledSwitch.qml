// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Quorel

// A form row's switch: the title (and an optional caption under it, wrapped to the row's width)
// on the leading side, the switch on the trailing edge. The owner binds checked to its field and
// writes the field on toggled.
Switch {
    id: control

    property string caption
    property color captionColor: Theme.secondaryText
    property int captionSize: Theme.captionSize
    property int titleSize: Theme.bodySize
    property int titleWeight: Font.Normal
    // The small switch, for one that sits beside a heading.
    property bool compact: false

    Accessible.name: text
    Accessible.description: caption
    // Qt 6.4's bridge does not turn a screen reader's press into a toggle for styled controls.
    Accessible.onPressAction: {
        if (enabled) {
            toggle();
            toggled();
        }
    }

    hoverEnabled: true
    spacing: compact ? 6 : 12
    padding: 0

    indicator: Rectangle {
        x: control.width - width - control.rightPadding
        y: control.topPadding + (control.availableHeight - height) / 2
        implicitWidth: control.compact ? 28 : 34
        implicitHeight: control.compact ? 16 : 20
        radius: height / 2
        color: control.checked ? Theme.accent : Theme.control
        opacity: control.enabled ? 1 : 0.45
        border.width: control.visualFocus ? 2 : 1
        border.color: control.visualFocus ? Theme.focusRing
                                          : control.checked ? Theme.accent : Theme.cardBorder

        Rectangle {
            x: control.checked ? parent.width - width - 2 : 2
            anchors.verticalCenter: parent.verticalCenter
            width: parent.height - 4
            height: width
            radius: width / 2
            color: control.down ? "#E3E6EB" : "#FFFFFF"

            Behavior on x {
                NumberAnimation {
                    duration: 120
                }
            }
        }
    }

    contentItem: ColumnLayout {
        spacing: 2

        Text {
            Layout.fillWidth: true
            Layout.rightMargin: control.indicator.width + control.spacing
            text: control.text
            textFormat: Text.PlainText
            color: control.enabled ? Theme.text : Theme.disabledText
            font.pixelSize: control.titleSize
            font.weight: control.titleWeight
            wrapMode: Text.WordWrap
        }

        Text {
            Layout.fillWidth: true
            Layout.rightMargin: control.indicator.width + control.spacing
            visible: control.caption.length > 0
            text: control.caption
            textFormat: Text.PlainText
            color: control.captionColor
            font.pixelSize: control.captionSize
            wrapMode: Text.WordWrap
        }
    }
}
