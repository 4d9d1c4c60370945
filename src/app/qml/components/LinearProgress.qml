// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

import QtQuick
import QtQuick.Controls.Basic
import Quorel

// A thin horizontal bar for a fraction from 0 to 1.
ProgressBar {
    id: bar

    property color tint: Theme.accent

    from: 0
    to: 1

    background: Rectangle {
        implicitWidth: 120
        implicitHeight: 6
        radius: 3
        color: Theme.barTrack
    }

    contentItem: Item {
        implicitHeight: 6

        Rectangle {
            // A rounded bar of no width still draws a sliver.
            visible: width > 0.5
            width: bar.visualPosition * parent.width
            height: parent.height
            radius: 3
            color: bar.tint
        }
    }
}
