// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Quorel

// One row of the sidebar: the tab's icon and title. The selected row is filled with the
// accent; the others show the icon in the accent.
ItemDelegate {
    id: row

    property string iconName
    property bool selected: false
    // Draws the keyboard ring on the selected row while the list has focus.
    property bool showFocus: false

    Accessible.role: Accessible.ListItem
    Accessible.name: text
    // Qt 6.4's bridge does not turn a screen reader's press into a click for styled buttons.
    Accessible.onPressAction: {
        if (enabled) {
            clicked();
        }
    }
    Accessible.selectable: true
    Accessible.selected: selected

    focusPolicy: Qt.NoFocus
    hoverEnabled: true
    implicitHeight: 32
    leftPadding: 10
    rightPadding: 10
    font.pixelSize: Theme.bodySize

    contentItem: RowLayout {
        spacing: 9

        TintedIcon {
            implicitWidth: 16
            implicitHeight: 16
            name: row.iconName
            color: row.selected ? Theme.accentText : Theme.accent
            Accessible.ignored: true
        }

        Text {
            Layout.fillWidth: true
            text: row.text
            textFormat: Text.PlainText
            font: row.font
            color: row.selected ? Theme.accentText : Theme.text
            elide: Text.ElideRight
            verticalAlignment: Text.AlignVCenter
            Accessible.ignored: true
        }
    }

    background: Rectangle {
        radius: 7
        color: row.selected ? Theme.accent
                            : row.down ? Theme.controlDown : row.hovered ? Theme.hover : "transparent"
        border.width: row.selected && row.showFocus ? 2 : 0
        border.color: Theme.focusRing
    }
}
