// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

import QtQuick
import Quorel

// The floating shield's content: the shield card on the panel's own background, so its text
// reads the same over any application. "Back to Work" clears the manager's target in the card
// and hides the panel here.
Rectangle {
    id: panel

    property string targetName

    color: Theme.background
    implicitWidth: 380
    implicitHeight: Math.max(250, card.implicitHeight)

    BlockShieldView {
        id: card

        anchors.centerIn: parent
        targetName: panel.targetName
        onCloseRequested: panel.Window.window.hide()
    }
}
