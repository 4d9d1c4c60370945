// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Shapes
import Quorel

// One row of a PopupMenu; a row that opens a submenu carries a chevron.
MenuItem {
    id: control

    Accessible.name: text
    // Qt 6.4's bridge does not turn a screen reader's press into a click for styled controls.
    Accessible.onPressAction: {
        if (enabled) {
            triggered();
        }
    }

    hoverEnabled: true
    implicitHeight: 28
    leftPadding: 10
    rightPadding: subMenu ? 24 : 10
    font.pixelSize: Theme.bodySize

    contentItem: Text {
        text: control.text
        textFormat: Text.PlainText
        font: control.font
        color: !control.enabled ? Theme.disabledText
                                : control.highlighted ? Theme.accentText : Theme.text
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
    }

    indicator: null

    arrow: Shape {
        visible: control.subMenu !== null
        x: control.width - width - 10
        y: (control.height - height) / 2
        width: 5
        height: 9
        antialiasing: true

        ShapePath {
            strokeColor: control.highlighted ? Theme.accentText : Theme.secondaryText
            strokeWidth: 1.6
            fillColor: "transparent"
            capStyle: ShapePath.RoundCap
            joinStyle: ShapePath.RoundJoin
            startX: 0
            startY: 0
            PathLine {
                x: 5
                y: 4.5
            }
            PathLine {
                x: 0
                y: 9
            }
        }
    }

    background: Rectangle {
        implicitWidth: 200
        radius: 5
        color: control.highlighted ? Theme.accent : "transparent"
    }
}
