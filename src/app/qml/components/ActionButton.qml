// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

import QtQuick
import QtQuick.Controls.Basic
import Quorel

// A push button in one of three weights: "prominent" (filled with the accent), "bordered", or
// "borderless" (text only).
Button {
    id: control

    property string kind: "bordered"
    property color tint: Theme.accent
    property color textColor: kind === "prominent" ? "#FFFFFF"
                                                   : kind === "borderless" ? tint : Theme.text

    Accessible.role: Accessible.Button
    Accessible.name: text
    // Qt keeps hidden items in the tree a screen reader reads.
    Accessible.ignored: !visible
    // Qt 6.4's bridge does not turn a screen reader's press into a click for styled buttons.
    Accessible.onPressAction: {
        if (enabled) {
            clicked();
        }
    }

    hoverEnabled: true
    font.pixelSize: Theme.bodySize
    font.weight: Font.DemiBold
    topPadding: kind === "borderless" ? 2 : 6
    bottomPadding: topPadding
    leftPadding: kind === "borderless" ? 2 : 16
    rightPadding: leftPadding

    contentItem: Text {
        text: control.text
        textFormat: Text.PlainText
        font: control.font
        color: control.enabled ? control.textColor : Theme.disabledText
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
    }

    background: Rectangle {
        // A text-only button still shows where the keyboard is.
        visible: control.kind !== "borderless" || control.visualFocus
        implicitWidth: 72
        implicitHeight: 30
        radius: 7
        border.width: control.visualFocus ? 2 : control.kind === "bordered" ? 1 : 0
        border.color: control.visualFocus ? Theme.focusRing : Theme.cardBorder
        color: {
            if (control.kind === "borderless")
                return "transparent";
            if (!control.enabled)
                return Theme.disabledFill;
            if (control.kind === "prominent")
                return control.down ? Qt.darker(control.tint, 1.25)
                                    : control.hovered ? Qt.lighter(control.tint, 1.12) : control.tint;
            return control.down ? Theme.controlDown
                                : control.hovered ? Theme.controlHover : Theme.control;
        }
    }
}
