// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

import QtQuick
import Quorel

// A quick-duration button: sets the countdown's length while idle. Tinted with the accent while
// its length is the current one, dimmed but still tinted while a session runs.
ActionButton {
    id: pill

    property string label
    property int seconds
    property bool current: false

    text: label
    kind: "bordered"
    tint: current ? Theme.accent : Theme.secondaryText
    enabled: !FocusManager.isRunning
    leftPadding: 8
    rightPadding: 8

    onClicked: FocusManager.chooseDuration(seconds)

    contentItem: Text {
        text: pill.text
        textFormat: Text.PlainText
        font: pill.font
        color: pill.tint
        opacity: pill.enabled ? 1 : 0.5
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
    }

    background: Rectangle {
        implicitWidth: 52
        implicitHeight: 28
        radius: 7
        color: {
            const strength = !pill.enabled ? 0.08
                                           : pill.down ? 0.32 : pill.hovered ? 0.24 : 0.16;
            return Qt.rgba(pill.tint.r, pill.tint.g, pill.tint.b, strength);
        }
        border.width: pill.visualFocus ? 2 : 1
        border.color: pill.visualFocus ? Theme.focusRing
                                       : pill.current ? Qt.rgba(pill.tint.r, pill.tint.g,
                                                                pill.tint.b, 0.55)
                                                      : Theme.cardBorder
    }
}
