// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

import QtQuick
import QtQuick.Layouts
import Quorel

// One group of a settings form: a header over a card that holds the group's rows.
ColumnLayout {
    id: section

    property string title
    default property alias rows: rowsColumn.data

    spacing: 8

    Text {
        Layout.leftMargin: 4
        text: section.title
        textFormat: Text.PlainText
        color: Theme.secondaryText
        font.pixelSize: Theme.bodySize
        font.weight: Font.DemiBold
        Accessible.role: Accessible.Heading
        Accessible.name: text
    }

    GlassCard {
        Layout.fillWidth: true
        implicitHeight: rowsColumn.implicitHeight + 2 * rowsColumn.anchors.margins

        ColumnLayout {
            id: rowsColumn

            anchors.fill: parent
            anchors.margins: 14
            spacing: 14
        }
    }
}
