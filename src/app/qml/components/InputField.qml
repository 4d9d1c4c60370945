// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

import QtQuick
import QtQuick.Controls.Basic
import Quorel

// A single-line text field with a rounded border; without a label of its own, screen readers hear
// its placeholder.
TextField {
    id: control

    Accessible.name: placeholderText

    color: Theme.text
    placeholderTextColor: Theme.secondaryText
    selectionColor: Theme.accent
    selectedTextColor: "#FFFFFF"
    font.pixelSize: Theme.bodySize
    leftPadding: 10
    rightPadding: 10
    verticalAlignment: TextInput.AlignVCenter

    background: Rectangle {
        implicitWidth: 200
        implicitHeight: 30
        radius: 7
        color: Theme.control
        border.width: control.activeFocus ? 2 : 1
        border.color: control.activeFocus ? Theme.focusRing : Theme.cardBorder
    }
}
