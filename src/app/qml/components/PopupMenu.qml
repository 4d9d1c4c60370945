// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

import QtQuick
import QtQuick.Controls.Basic
import Quorel

// A pull-down menu in the app's colours. Entries are PopupMenuItem, MenuSeparator or nested
// PopupMenu (a submenu, titled by its title).
Menu {
    id: control

    font.pixelSize: Theme.bodySize
    padding: 4
    // Submenus get their row from here.
    delegate: PopupMenuItem {}

    background: Rectangle {
        implicitWidth: 220
        radius: 8
        color: Theme.panel
        border.width: 1
        border.color: Theme.cardBorder
    }
}
