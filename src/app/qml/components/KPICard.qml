// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

import QtQuick
import QtQuick.Layouts
import Quorel

// One figure on a card: what it is, the figure, and a line of context. glass picks the look.
GlassCard {
    id: card

    property string title
    property string value
    property string subtitle

    transparency: 0.28
    cornerRadius: 18
    implicitWidth: column.implicitWidth + 2 * 16
    implicitHeight: column.implicitHeight + 2 * 16

    ColumnLayout {
        id: column

        anchors.fill: parent
        anchors.margins: 16
        spacing: 4

        Text {
            Layout.fillWidth: true
            text: card.title
            textFormat: Text.PlainText
            Accessible.role: Accessible.StaticText
            Accessible.name: text
            color: Theme.secondaryText
            font.pixelSize: Theme.captionSize
            elide: Text.ElideRight
        }

        Text {
            Layout.fillWidth: true
            text: card.value
            textFormat: Text.PlainText
            Accessible.role: Accessible.StaticText
            Accessible.name: text
            color: Theme.text
            font.pixelSize: Theme.title2Size
            font.bold: true
            elide: Text.ElideRight
        }

        Text {
            Layout.fillWidth: true
            text: card.subtitle
            textFormat: Text.PlainText
            Accessible.role: Accessible.StaticText
            Accessible.name: text
            color: Theme.secondaryText
            font.pixelSize: Theme.captionSize
            elide: Text.ElideRight
        }
    }
}
