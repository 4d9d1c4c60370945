// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

import QtQuick
import QtQuick.Shapes
import Quorel

// A ring that fills clockwise from twelve o'clock over a faint full-circle track.
Item {
    id: ring

    property real progress: 0
    property color color: Theme.accent
    property color trackColor: Theme.track
    property real trackOpacity: 0.2
    property real lineWidth: 8

    readonly property real arcRadius: (Math.min(width, height) - lineWidth) / 2
    readonly property real clampedProgress: Math.max(0, Math.min(1, progress))
    // Set by the handler below, never bound, so it can ease towards the progress.
    property real shownProgress: 0
    // A ring opens at its value: the first values arrive while it is being built, and an
    // animation started then would only run after completion, sweeping up from empty.
    property bool eases: false

    // Eases between values so a step reads as motion. A countdown's once-a-second step moves
    // the arc's end by well under a pixel: easing that would redraw the ring for nothing.
    onClampedProgressChanged: {
        easing.stop();
        const jump = Math.abs(clampedProgress - shownProgress) * 2 * Math.PI * arcRadius;
        if (!eases || jump < 1.5) {
            shownProgress = clampedProgress;
            return;
        }
        easing.from = shownProgress;
        easing.to = clampedProgress;
        easing.start();
    }
    Component.onCompleted: {
        shownProgress = clampedProgress;
        eases = true;
    }

    NumberAnimation {
        id: easing
        target: ring
        property: "shownProgress"
        duration: 300
        easing.type: Easing.Linear
    }

    implicitWidth: 112
    implicitHeight: 112

    Shape {
        anchors.fill: parent
        antialiasing: true
        opacity: ring.trackOpacity

        ShapePath {
            fillColor: "transparent"
            strokeColor: ring.trackColor
            strokeWidth: ring.lineWidth
            capStyle: ShapePath.FlatCap

            PathAngleArc {
                centerX: ring.width / 2
                centerY: ring.height / 2
                radiusX: ring.arcRadius
                radiusY: ring.arcRadius
                startAngle: 0
                sweepAngle: 360
            }
        }
    }

    Shape {
        anchors.fill: parent
        antialiasing: true
        // A round cap would still draw a dot at zero.
        visible: ring.shownProgress > 0

        ShapePath {
            fillColor: "transparent"
            strokeColor: ring.color
            strokeWidth: ring.lineWidth
            capStyle: ShapePath.RoundCap

            PathAngleArc {
                centerX: ring.width / 2
                centerY: ring.height / 2
                radiusX: ring.arcRadius
                radiusY: ring.arcRadius
                startAngle: -90
                sweepAngle: 360 * ring.shownProgress
            }
        }
    }
}
