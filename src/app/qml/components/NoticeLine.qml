// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

import QtQuick
import QtQuick.Layouts
import Quorel

// A calm caption under a card's header: shown only while it has something to say, and always
// as plain text, since it may carry names from outside.
Text {
    Layout.fillWidth: true
    visible: text !== ""
    textFormat: Text.PlainText
    Accessible.role: Accessible.StaticText
    Accessible.name: text
    Accessible.ignored: !visible
    color: Theme.secondaryText
    font.pixelSize: Theme.captionSize
    wrapMode: Text.Wrap
}
