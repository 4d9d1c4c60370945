// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

import QtQuick
import Quorel

// A short label on a capsule tinted with its own colour.
Rectangle {
    id: badge

    property alias text: label.text
    property color tint: Theme.accent

    implicitWidth: label.implicitWidth + 20
    implicitHeight: label.implicitHeight + 8
    radius: height / 2
    color: Qt.rgba(tint.r, tint.g, tint.b, 0.14)

    Accessible.role: Accessible.StaticText
    Accessible.name: text

    Text {
        id: label

        anchors.centerIn: parent
        color: badge.tint
        font.pixelSize: Theme.captionSize
        font.weight: Font.DemiBold
        Accessible.ignored: true
    }
}
