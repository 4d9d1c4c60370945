// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

import QtQuick
import Quorel

// The countdown: the ring, the time left in its centre and the phase under the time.
Item {
    id: root

    property real progress: 0
    property string remaining
    property string caption
    property bool onBreak: false
    property real lineWidth: 8
    property int timeSize: 26
    property int captionSize: Theme.caption2Size

    readonly property color tint: onBreak ? Theme.green : Theme.accent

    implicitWidth: 112
    implicitHeight: 112

    ProgressRing {
        anchors.fill: parent
        progress: root.progress
        color: root.tint
        lineWidth: root.lineWidth
    }

    Column {
        anchors.centerIn: parent
        spacing: 2

        Text {
            anchors.horizontalCenter: parent.horizontalCenter
            text: root.remaining
            textFormat: Text.PlainText
            color: Theme.text
            font.pixelSize: root.timeSize
            font.bold: true
        }

        Text {
            anchors.horizontalCenter: parent.horizontalCenter
            text: root.caption
            textFormat: Text.PlainText
            color: root.tint
            font.pixelSize: root.captionSize
            font.bold: true
            font.letterSpacing: 0.5
        }
    }
}
