pragma Singleton
import QtQuick

// Colours and type sizes every view shares. Dark and opaque, so text stays readable with or
// without a compositor.
QtObject {
    readonly property color background: "#12151A"
    readonly property color backgroundTop: "#18222F"
    readonly property color panel: "#1B1F26"
    readonly property color card: "#1E232B"
    readonly property color cardBorder: "#2E3440"
    readonly property color divider: "#323844"
    readonly property color control: "#2A303A"
    readonly property color barTrack: "#3A4250"
    readonly property color controlHover: "#323946"
    readonly property color controlDown: "#3A4250"
    readonly property color disabledFill: "#2A2E35"
    readonly property color text: "#F1F3F7"
    readonly property color secondaryText: "#A3ABB8"
    readonly property color disabledText: "#7C8490"
    readonly property color accent: "#0A84FF"
    readonly property color focusRing: "#8CC4FF"
    readonly property color green: "#30D158"
    readonly property color red: "#FF453A"
    readonly property color track: "#8E8E93"

    readonly property int headlineSize: 14
    readonly property int bodySize: 13
    readonly property int captionSize: 11
    readonly property int caption2Size: 10
}
