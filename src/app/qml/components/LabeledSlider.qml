// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Quorel

// A slider with its label on the leading side. The owner binds value to its field and writes
// the field on moved (and has it saved on released); the label is the slider's accessible name.
RowLayout {
    id: root

    property string label
    property alias from: slider.from
    property alias to: slider.to
    property alias stepSize: slider.stepSize
    property alias value: slider.value
    // Keeps the track still while the label's figures change width.
    property real labelWidth: labelText.implicitWidth
    readonly property alias slider: slider

    signal moved(real value)
    signal released

    spacing: 12

    Text {
        id: labelText

        Layout.preferredWidth: root.labelWidth
        text: root.label
        textFormat: Text.PlainText
        color: root.enabled ? Theme.text : Theme.disabledText
        font.pixelSize: Theme.bodySize
        Accessible.ignored: true
    }

    AccentSlider {
        id: slider

        Layout.fillWidth: true
        // Gives way to a narrow row instead of pushing past its edge.
        Layout.minimumWidth: 60
        // A stepped slider snaps while dragged, so its field only ever holds a step.
        snapMode: stepSize > 0 ? Slider.SnapAlways : Slider.NoSnap
        hoverEnabled: true

        Accessible.name: root.label
        Accessible.ignored: !visible

        onMoved: root.moved(value)
        onPressedChanged: {
            if (!pressed) {
                root.released();
            }
        }
    }
}
