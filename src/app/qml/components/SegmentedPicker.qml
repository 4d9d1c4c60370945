// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

import QtQuick
import QtQuick.Controls.Basic
import Quorel

// A row of segments of which one is chosen, like a radio group drawn as one control. Segments
// are equal while every title fits that way; otherwise each gets its title's width plus an equal
// share of the rest, so no title is cut. One tab stop; the arrow keys, Home and End move the
// choice. The owner binds currentIndex to its field and writes the field on activated.
Item {
    id: picker

    // Read to screen readers as the group's name ("Preset", "Sound").
    property string title
    // The segments' texts, in order.
    property var model: []
    property int currentIndex: -1
    property int fontSize: Theme.calloutSize

    signal activated(int index)

    function choose(index) {
        if (!enabled || index < 0 || index >= segments.count || index === currentIndex)
            return;
        activated(index);
    }

    readonly property real segmentPadding: 6
    readonly property real innerWidth: row.width
    readonly property int count: Math.max(1, segments.count)
    // Titles measured at the regular weight; the chosen segment's bolder title may shrink a
    // hair to fit rather than have every segment sized for it.
    readonly property real widestTitle: widest.implicitWidth
    readonly property real titlesWidth: allTitles.implicitWidth
    readonly property bool equalSegments:
        count * (widestTitle + 2 * segmentPadding) <= innerWidth
    readonly property real sharePerSegment:
        (innerWidth - titlesWidth - 2 * segmentPadding * count) / count

    implicitWidth: Math.max(240, titlesWidth + 2 * segmentPadding * count + 4)
    implicitHeight: 28
    activeFocusOnTab: true

    Accessible.role: Accessible.Grouping
    Accessible.name: title

    Keys.onLeftPressed: choose(currentIndex - 1)
    Keys.onRightPressed: choose(currentIndex + 1)
    Keys.onPressed: event => {
        if (event.key === Qt.Key_Home) {
            choose(0);
            event.accepted = true;
        } else if (event.key === Qt.Key_End) {
            choose(segments.count - 1);
            event.accepted = true;
        }
    }

    // Hidden copies of the titles: a column is as wide as the widest, a row as all together.
    Component {
        id: titleMeasure

        Text {
            required property string modelData

            text: modelData
            textFormat: Text.PlainText
            font.pixelSize: picker.fontSize
        }
    }

    Column {
        id: widest
        visible: false
        Repeater {
            model: picker.model
            delegate: titleMeasure
        }
    }

    Row {
        id: allTitles
        visible: false
        Repeater {
            model: picker.model
            delegate: titleMeasure
        }
    }

    Rectangle {
        anchors.fill: parent
        radius: 8
        color: Theme.control
        border.width: picker.activeFocus ? 2 : 1
        border.color: picker.activeFocus ? Theme.focusRing : Theme.cardBorder
    }

    Row {
        id: row

        anchors.fill: parent
        anchors.margins: 2

        Repeater {
            id: segments

            model: picker.model

            // Radio buttons, so screen readers hear which segment is chosen.
            delegate: RadioButton {
                id: segment

                required property int index
                required property string modelData
                readonly property bool selected: index === picker.currentIndex

                width: picker.equalSegments
                       ? row.width / picker.count
                       : Math.max(0, titleWidth.advanceWidth + 2 * picker.segmentPadding
                                  + picker.sharePerSegment)
                height: row.height
                text: modelData
                checked: selected
                // The picker decides, through its owner's field.
                autoExclusive: false
                checkable: false
                focusPolicy: Qt.NoFocus
                hoverEnabled: true
                padding: 0
                indicator: null

                Accessible.name: text
                Accessible.onPressAction: picker.choose(index)

                onClicked: picker.choose(index)

                TextMetrics {
                    id: titleWidth
                    text: segment.text
                    font.pixelSize: picker.fontSize
                }

                background: Rectangle {
                    radius: 6
                    color: segment.selected ? Theme.accent
                                            : segment.hovered && segment.enabled ? Theme.controlHover
                                                                                 : "transparent"
                    opacity: segment.selected && !segment.enabled ? 0.45 : 1
                }

                // A hairline between two unchosen neighbours, as on a drawn segmented control.
                Rectangle {
                    visible: segment.index > 0 && !segment.selected
                             && segment.index - 1 !== picker.currentIndex
                    x: 0
                    anchors.verticalCenter: parent.verticalCenter
                    width: 1
                    height: parent.height - 10
                    color: Theme.divider
                }

                contentItem: Text {
                    text: segment.text
                    textFormat: Text.PlainText
                    color: !segment.enabled ? Theme.disabledText
                                            : segment.selected ? "#FFFFFF" : Theme.text
                    font.pixelSize: picker.fontSize
                    font.weight: segment.selected ? Font.DemiBold : Font.Normal
                    // Only when even titles side by side do not fit: shrink rather than cut.
                    fontSizeMode: Text.HorizontalFit
                    minimumPixelSize: Theme.caption2Size - 1
                    horizontalAlignment: Text.AlignHCenter
                    verticalAlignment: Text.AlignVCenter
                    elide: Text.ElideRight
                }
            }
        }
    }
}
