// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Quorel

// A label and its value on one line, the value pushed to the trailing edge.
RowLayout {
    id: row

    property string label
    property string value

    spacing: 8

    Label {
        text: row.label
        textFormat: Text.PlainText
        color: Theme.secondaryText
        font.pixelSize: Theme.subheadlineSize
    }

    Item {
        Layout.fillWidth: true
    }

    Label {
        text: row.value
        textFormat: Text.PlainText
        color: Theme.text
        font.pixelSize: Theme.subheadlineSize
        font.weight: Font.DemiBold
    }
}
