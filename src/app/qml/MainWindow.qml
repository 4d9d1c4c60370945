// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

import QtQuick
import QtQuick.Window
import Quorel

Window {
    id: window

    title: "Quorel"
    minimumWidth: 820
    minimumHeight: 560
    width: 980
    height: 660
    // WindowGlass in the content takes over from here, one turn after the window is shown.
    color: Theme.background
    palette.highlight: Theme.accent

    Shortcut {
        sequences: [StandardKey.Quit]
        onActivated: AppShell.quit()
    }

    ContentView {
        anchors.fill: parent
    }
}
