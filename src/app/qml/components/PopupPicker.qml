// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Shapes
import Quorel

// A pop-up list of texts (model: a list of strings); label is what screen readers hear.
ComboBox {
    id: control

    property string label

    Accessible.name: label

    hoverEnabled: true
    font.pixelSize: Theme.bodySize
    leftPadding: 10
    rightPadding: 28

    contentItem: Text {
        text: control.displayText
        textFormat: Text.PlainText
        font: control.font
        color: control.enabled ? Theme.text : Theme.disabledText
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
    }

    indicator: Shape {
        x: control.width - width - 10
        y: (control.height - height) / 2
        width: 9
        height: 5
        antialiasing: true
        opacity: control.enabled ? 1 : 0.45

        ShapePath {
            strokeColor: Theme.secondaryText
            strokeWidth: 1.6
            fillColor: "transparent"
            capStyle: ShapePath.RoundCap
            joinStyle: ShapePath.RoundJoin
            startX: 0
            startY: 0
            PathLine {
                x: 4.5
                y: 5
            }
            PathLine {
                x: 9
                y: 0
            }
        }
    }

    background: Rectangle {
        implicitWidth: 140
        implicitHeight: 30
        radius: 7
        color: control.down ? Theme.controlDown : control.hovered ? Theme.controlHover : Theme.control
        border.width: control.visualFocus ? 2 : 1
        border.color: control.visualFocus ? Theme.focusRing : Theme.cardBorder
    }

    delegate: ItemDelegate {
        required property int index
        required property string modelData

        width: ListView.view ? ListView.view.width : control.width
        text: modelData
        highlighted: control.highlightedIndex === index
        leftPadding: 10
        topPadding: 5
        bottomPadding: 5

        contentItem: Text {
            text: parent.text
            textFormat: Text.PlainText
            font: control.font
            color: parent.highlighted ? "#FFFFFF" : Theme.text
            verticalAlignment: Text.AlignVCenter
            elide: Text.ElideRight
        }

        background: Rectangle {
            radius: 5
            color: parent.highlighted ? Theme.accent : "transparent"
        }
    }

    popup: Popup {
        y: control.height + 4
        width: control.width
        padding: 4

        contentItem: ListView {
            clip: true
            implicitHeight: contentHeight
            model: control.popup.visible ? control.delegateModel : null
            currentIndex: control.highlightedIndex
        }

        background: Rectangle {
            radius: 8
            color: Theme.panel
            border.width: 1
            border.color: Theme.cardBorder
        }
    }
}
