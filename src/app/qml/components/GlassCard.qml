// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

import QtQuick
import Quorel

// The card every screen puts its panels on: frosted glass while the glass look is on, a plain
// rounded panel otherwise. Children go inside; size it like any Item.
Item {
    id: card

    // Whether to draw the glass style (callers pass FocusManager.glassEnabled).
    property bool glass: FocusManager.glassEnabled
    // How see-through the glass is (the user's setting, or a fixed value some screens use).
    property real transparency: FocusManager.glassTransparency
    // Corner radius of the glass style; the plain style always uses its own.
    property real cornerRadius: 18
    // The radius actually drawn, for content that must follow the card's corners.
    readonly property real radius: metrics.radius

    default property alias content: body.data

    CardMetrics {
        id: metrics
        glass: card.glass
        transparency: card.transparency
        cornerRadius: card.cornerRadius
    }

    // A soft shadow: a few widening, fading outlines stand in for a blur, which Qt Quick 6.4
    // only offers through extra modules.
    Item {
        visible: card.glass
        anchors.fill: parent
        anchors.topMargin: metrics.shadowOffsetY
        anchors.bottomMargin: -metrics.shadowOffsetY

        Repeater {
            model: 4

            Rectangle {
                readonly property real spread: (index + 0.5) * metrics.shadowBlur / 4

                anchors.fill: parent
                anchors.margins: -spread
                radius: metrics.radius + spread
                color: "black"
                opacity: metrics.shadowOpacity / 4
            }
        }
    }

    // Glass: the frosted fill, then a white haze that fades as the glass gets clearer.
    Rectangle {
        visible: card.glass
        anchors.fill: parent
        radius: metrics.radius
        color: Theme.material
        opacity: metrics.materialOpacity
    }

    Rectangle {
        visible: card.glass
        anchors.fill: parent
        radius: metrics.radius
        color: "white"
        opacity: metrics.hazeOpacity
    }

    // Plain: a flat panel with a faint grey border.
    Rectangle {
        visible: !card.glass
        anchors.fill: parent
        radius: metrics.radius
        color: Theme.card
        border.width: metrics.borderWidth
        border.color: Qt.rgba(Theme.grey.r, Theme.grey.g, Theme.grey.b, metrics.borderOpacity)
    }

    Item {
        id: body
        anchors.fill: parent
    }

    GlassRim {
        visible: card.glass
        anchors.fill: parent
        radius: metrics.radius
        lineWidth: metrics.rimWidth
        startOpacity: metrics.rimStartOpacity
        middleOpacity: metrics.rimMiddleOpacity
        endOpacity: metrics.rimEndOpacity
    }
}
