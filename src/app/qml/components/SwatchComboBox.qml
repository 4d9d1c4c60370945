// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

import QtQuick
import QtQuick.Controls.Basic
import Quorel

// A pop-up menu whose entries are a colour dot and a title. model: objects with title and
// accent. The owner binds currentIndex to its field and writes it on activated.
ComboBox {
    id: box

    textRole: "title"
    hoverEnabled: true
    implicitWidth: 190
    font.pixelSize: Theme.bodySize

    component Swatch: Row {
        id: swatch

        property color dot
        property string title
        property color textColor: Theme.text
        // A light ring keeps the dot visible on a highlight of the same colour.
        property bool ringed: false

        spacing: 8

        Rectangle {
            anchors.verticalCenter: parent.verticalCenter
            width: 10
            height: 10
            radius: 5
            color: swatch.dot
            border.width: swatch.ringed ? 1.5 : 0
            border.color: "#FFFFFF"
        }

        Text {
            anchors.verticalCenter: parent.verticalCenter
            text: swatch.title
            textFormat: Text.PlainText
            color: swatch.textColor
            font.pixelSize: Theme.bodySize
        }
    }

    contentItem: Swatch {
        leftPadding: 10
        rightPadding: 24
        dot: box.currentIndex >= 0 ? box.model[box.currentIndex].accent : "transparent"
        title: box.displayText
        textColor: box.enabled ? Theme.text : Theme.disabledText
    }

    indicator: Text {
        x: box.width - width - 10
        y: (box.height - height) / 2
        text: "\u25BE"
        color: Theme.secondaryText
        font.pixelSize: Theme.bodySize
    }

    background: Rectangle {
        implicitHeight: 30
        radius: 7
        color: box.down ? Theme.controlDown : box.hovered ? Theme.controlHover : Theme.control
        border.width: box.visualFocus ? 2 : 1
        border.color: box.visualFocus ? Theme.focusRing : Theme.cardBorder
    }

    delegate: ItemDelegate {
        id: entry

        required property int index
        required property var modelData

        width: ListView.view ? ListView.view.width : box.width
        topPadding: 6
        bottomPadding: 6
        leftPadding: 10
        hoverEnabled: true
        highlighted: box.highlightedIndex === index

        Accessible.name: modelData.title

        contentItem: Swatch {
            dot: entry.modelData.accent
            title: entry.modelData.title
            textColor: entry.highlighted ? "#FFFFFF" : Theme.text
            ringed: entry.highlighted
        }

        background: Rectangle {
            radius: 5
            color: entry.highlighted ? Theme.accent : "transparent"
        }
    }

    popup: Popup {
        y: box.height + 4
        width: box.width
        implicitHeight: contentItem.implicitHeight + topPadding + bottomPadding
        padding: 4

        contentItem: ListView {
            clip: true
            implicitHeight: contentHeight
            model: box.popup.visible ? box.delegateModel : null
            currentIndex: box.highlightedIndex
        }

        background: Rectangle {
            radius: 8
            color: Theme.panel
            border.width: 1
            border.color: Theme.cardBorder
        }
    }
}
