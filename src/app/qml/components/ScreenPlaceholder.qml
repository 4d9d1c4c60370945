// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

import QtQuick
import QtQuick.Layouts
import Quorel

// A calm stand-in for a screen the app does not carry yet: its icon and its title.
Item {
    id: placeholder

    property string title
    property string icon

    ColumnLayout {
        anchors.centerIn: parent
        spacing: 12

        TintedIcon {
            Layout.alignment: Qt.AlignHCenter
            implicitWidth: 44
            implicitHeight: 44
            name: placeholder.icon
            color: Theme.secondaryText
            opacity: 0.6
            Accessible.ignored: true
        }

        Text {
            Layout.alignment: Qt.AlignHCenter
            text: placeholder.title
            textFormat: Text.PlainText
            color: Theme.secondaryText
            font.pixelSize: Theme.title2Size
            font.bold: true
            Accessible.role: Accessible.StaticText
            Accessible.name: text
            Accessible.ignored: !visible
        }
    }
}
