// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

import QtQuick
import QtQuick.Layouts
import Quorel

// A row of day bars, bottom-aligned and centred. model rows carry day, label, barHeight and
// overGoal; a day over the goal is red. The chart is always as tall as a full bar needs, so the
// panel does not grow as the day's usage does.
Item {
    id: chart

    property alias model: bars.model
    property real fullBarHeight: 120

    implicitWidth: row.implicitWidth
    implicitHeight: 8 + labelMetrics.height + 6 + fullBarHeight + 6 + dayMetrics.height

    FontMetrics {
        id: labelMetrics
        font.pixelSize: Theme.caption2Size
    }

    FontMetrics {
        id: dayMetrics
        font.pixelSize: Theme.captionSize
    }

    RowLayout {
        id: row

        anchors.horizontalCenter: parent.horizontalCenter
        anchors.bottom: parent.bottom
        spacing: 14

        Repeater {
            id: bars

            delegate: ColumnLayout {
                id: group

                required property string day
                required property string label
                required property real barHeight
                required property bool overGoal

                Layout.alignment: Qt.AlignBottom
                spacing: 6

                Text {
                    Layout.alignment: Qt.AlignHCenter
                    text: group.label
                    textFormat: Text.PlainText
                    Accessible.role: Accessible.StaticText
                    Accessible.name: text
                    color: Theme.secondaryText
                    font.pixelSize: Theme.caption2Size
                }

                Rectangle {
                    objectName: "bar"
                    Layout.alignment: Qt.AlignHCenter
                    implicitWidth: 28
                    implicitHeight: group.barHeight
                    radius: 6
                    color: group.overGoal ? Theme.red : Theme.accent
                }

                Text {
                    Layout.alignment: Qt.AlignHCenter
                    text: group.day
                    textFormat: Text.PlainText
                    Accessible.role: Accessible.StaticText
                    Accessible.name: text
                    color: Theme.secondaryText
                    font.pixelSize: Theme.captionSize
                }
            }
        }
    }
}
