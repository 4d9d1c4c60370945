// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

import QtQuick
import QtQuick.Shapes
import Quorel

// What the glass look puts behind everything: the window background (as opaque as the desktop
// needs for text to read) and the theme's two glows running from the top-left corner to the
// bottom-right.
Item {
    id: backdrop

    // How much of the window background to paint under the glows (WindowGlass.backdropOpacity).
    property real baseOpacity: 1

    Rectangle {
        anchors.fill: parent
        color: Theme.background
        opacity: backdrop.baseOpacity
    }

    Shape {
        anchors.fill: parent

        ShapePath {
            strokeWidth: -1
            fillGradient: LinearGradient {
                x1: 0
                y1: 0
                x2: backdrop.width
                y2: backdrop.height

                GradientStop {
                    position: 0
                    color: Theme.glowStart
                }
                GradientStop {
                    position: 1
                    color: Theme.glowEnd
                }
            }

            startX: 0
            startY: 0
            PathLine { x: backdrop.width; y: 0 }
            PathLine { x: backdrop.width; y: backdrop.height }
            PathLine { x: 0; y: backdrop.height }
            PathLine { x: 0; y: 0 }
        }
    }
}
