// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

import QtQuick
import QtQuick.Controls.Basic
import Quorel

// A borderless button that shows only an icon; text is what it does, for screen readers.
AbstractButton {
    id: control

    property string iconName
    property color tint: Theme.secondaryText
    property real iconSize: 15

    Accessible.name: text
    // Qt 6.4's bridge does not turn a screen reader's press into a click for styled buttons.
    Accessible.onPressAction: {
        if (enabled) {
            clicked();
        }
    }

    hoverEnabled: true
    focusPolicy: Qt.StrongFocus
    padding: 5
    implicitWidth: iconSize + leftPadding + rightPadding
    implicitHeight: iconSize + topPadding + bottomPadding

    contentItem: TintedIcon {
        name: control.iconName
        color: control.hovered || control.visualFocus ? Theme.text : control.tint
        opacity: control.enabled ? 1 : 0.45
        implicitWidth: control.iconSize
        implicitHeight: control.iconSize
    }

    background: Rectangle {
        radius: 6
        color: control.down ? Theme.controlDown : control.hovered ? Theme.controlHover : "transparent"
        border.width: control.visualFocus ? 2 : 0
        border.color: Theme.focusRing
    }
}
