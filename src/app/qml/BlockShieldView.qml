// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

import QtQuick
import QtQuick.Layouts
import Quorel

// The block shield: names the hidden application, the session it protects and the time left,
// with one way back. Shown as the main window's sheet and in the floating panel.
GlassCard {
    id: shield

    property string targetName

    // The host closes itself on this (the sheet, or the panel hiding).
    signal closeRequested

    glass: FocusManager.glassEnabled
    // A fixed value: the shield reads the same whatever the user's glass setting.
    transparency: 0.28
    cornerRadius: 18
    implicitWidth: 360
    implicitHeight: stack.implicitHeight + 2 * 28

    BlockShieldPresenter {
        id: texts
        manager: FocusManager
        targetName: shield.targetName
    }

    ColumnLayout {
        id: stack

        anchors.fill: parent
        anchors.margins: 28
        spacing: 14

        TintedIcon {
            Layout.alignment: Qt.AlignHCenter
            implicitWidth: 46
            implicitHeight: 46
            name: "security-high"
            color: Theme.accent
            Accessible.ignored: true
        }

        Text {
            Layout.fillWidth: true
            text: texts.title
            textFormat: Text.PlainText
            color: Theme.text
            font.pixelSize: Theme.title2Size
            font.bold: true
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.Wrap
            Accessible.role: Accessible.StaticText
            Accessible.name: text
        }

        Text {
            Layout.fillWidth: true
            text: texts.message
            textFormat: Text.PlainText
            color: Theme.secondaryText
            font.pixelSize: Theme.bodySize
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.Wrap
            Accessible.role: Accessible.StaticText
            Accessible.name: text
        }

        Text {
            Layout.fillWidth: true
            text: texts.remaining
            textFormat: Text.PlainText
            color: Theme.accent
            font.pixelSize: Theme.headlineSize
            font.bold: true
            horizontalAlignment: Text.AlignHCenter
            Accessible.role: Accessible.StaticText
            Accessible.name: text
        }

        ActionButton {
            Layout.alignment: Qt.AlignHCenter
            Layout.topMargin: 6
            kind: "prominent"
            text: "Back to Work"
            focus: true
            onClicked: {
                FocusManager.interceptedTargetName = "";
                shield.closeRequested();
            }
        }
    }
}
