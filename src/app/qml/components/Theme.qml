// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

pragma Singleton
import QtQuick
import Quorel

// Colours and type sizes every view shares. Dark, so light text reads the same with or without
// a compositor and over any wallpaper; the accent and the glow follow the chosen colour theme.
QtObject {
    readonly property int colorTheme: FocusManager ? FocusManager.colorTheme : Quorel.Ocean

    // The theme: tint of controls and selections, and the glass backdrop's two glows.
    readonly property color accent: ThemePalette.accent(colorTheme)
    readonly property color glowStart: ThemePalette.glowStart(colorTheme)
    readonly property color glowEnd: ThemePalette.glowEnd(colorTheme)
    readonly property color accentText: "#FFFFFF"
    readonly property color focusRing: Qt.lighter(accent, 1.45)

    // The window's own background, and the sidebar's while the glass look is off.
    readonly property color background: "#12151A"
    readonly property color backgroundTop: "#18222F"
    readonly property color panel: "#1A1E25"
    // Plain cards, and the frosted fill glass cards thin out as the transparency rises.
    readonly property color card: "#1C2129"
    readonly property color material: "#232A35"
    readonly property color cardBorder: "#2E3440"
    readonly property color divider: "#2A303A"
    readonly property color selection: Qt.rgba(accent.r, accent.g, accent.b, 0.28)
    readonly property color hover: Qt.rgba(1, 1, 1, 0.06)

    readonly property color control: "#2A303A"
    readonly property color barTrack: "#3A4250"
    readonly property color controlHover: "#323946"
    readonly property color controlDown: "#3A4250"
    readonly property color disabledFill: "#2A2E35"
    readonly property color text: "#F1F3F7"
    readonly property color secondaryText: "#A3ABB8"
    readonly property color disabledText: "#7C8490"
    readonly property color green: ThemePalette.green
    readonly property color red: ThemePalette.red
    readonly property color grey: ThemePalette.grey
    readonly property color track: "#8E8E93"

    readonly property int largeTitleSize: 26
    readonly property int titleSize: 22
    readonly property int title2Size: 17
    readonly property int title3Size: 15
    readonly property int headlineSize: 14
    readonly property int bodySize: 13
    readonly property int calloutSize: 12
    readonly property int subheadlineSize: 11
    readonly property int footnoteSize: 10
    readonly property int captionSize: 11
    readonly property int caption2Size: 10
}
