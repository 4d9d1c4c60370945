// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

import QtQuick
import QtQuick.Layouts
import Quorel

// Today's usage against the daily goal, at the foot of the sidebar.
GlassCard {
    id: goal

    property string percentText
    property real fraction: 0
    property string figures

    cornerRadius: 12
    implicitHeight: rows.implicitHeight + 2 * 12

    ColumnLayout {
        id: rows

        anchors.fill: parent
        anchors.margins: 12
        spacing: 6

        RowLayout {
            Layout.fillWidth: true

            Text {
                text: "Daily Goal"
                color: Theme.text
                font.pixelSize: Theme.captionSize
                font.bold: true
                Accessible.role: Accessible.StaticText
                Accessible.name: text
            }

            Item {
                Layout.fillWidth: true
            }

            Text {
                text: goal.percentText
                textFormat: Text.PlainText
                color: Theme.secondaryText
                font.pixelSize: Theme.captionSize
                Accessible.role: Accessible.StaticText
                Accessible.name: text
            }
        }

        LinearProgress {
            Layout.fillWidth: true
            value: goal.fraction
            Accessible.name: "Daily Goal"
        }

        Text {
            Layout.fillWidth: true
            text: goal.figures
            textFormat: Text.PlainText
            color: Theme.secondaryText
            font.pixelSize: Theme.caption2Size
            elide: Text.ElideRight
            Accessible.role: Accessible.StaticText
            Accessible.name: text
        }
    }
}
