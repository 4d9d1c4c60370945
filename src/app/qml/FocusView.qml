// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Quorel

// The Focus screen: presets and quick durations, the countdown with start, pause and reset,
// strict mode, the break tip, what is being blocked, ambient sound and the shield preview.
Item {
    id: root

    FocusScreenModel {
        id: screen
        manager: FocusManager
    }

    ScrollPage {
        anchors.fill: parent
        padding: 24
        spacing: 20

        // Header ------------------------------------------------------------------------
        RowLayout {
            Layout.fillWidth: true
            spacing: 16

            ColumnLayout {
                Layout.fillWidth: true
                spacing: 4

                Label {
                    Layout.fillWidth: true
                    text: "Focus Session"
                    color: Theme.text
                    font.pixelSize: Theme.title2Size
                    font.bold: true
                    Accessible.role: Accessible.Heading
                    Accessible.name: text
                }

                Label {
                    Layout.fillWidth: true
                    text: "Stay in flow with Pomodoro rounds, ambient audio, and app hiding."
                    color: Theme.secondaryText
                    font.pixelSize: Theme.bodySize
                    wrapMode: Text.WordWrap
                }
            }

            SegmentedPicker {
                Layout.preferredWidth: 260
                Layout.alignment: Qt.AlignVCenter
                title: "Preset"
                model: screen.presetTitles
                currentIndex: FocusManager.selectedPreset
                enabled: !FocusManager.isRunning
                onActivated: index => FocusManager.selectedPreset = index
            }
        }

        // Start at login, offered once to a new install ----------------------------------
        GlassCard {
            Layout.fillWidth: true
            visible: loginStart.offerShown
            implicitHeight: offerRow.implicitHeight + 2 * offerRow.anchors.margins

            LoginStartModel {
                id: loginStart
                manager: FocusManager
            }

            RowLayout {
                id: offerRow

                anchors.fill: parent
                anchors.margins: 16
                spacing: 14

                ColumnLayout {
                    Layout.fillWidth: true
                    spacing: 3

                    Label {
                        Layout.fillWidth: true
                        text: "Start Quorel at login?"
                        Accessible.role: Accessible.Heading
                        Accessible.name: text
                        Accessible.ignored: !visible
                        color: Theme.text
                        font.pixelSize: Theme.headlineSize
                        font.bold: true
                    }

                    Label {
                        Layout.fillWidth: true
                        text: "Quorel then starts with your desktop and waits in the tray, so schedules run without you opening it."
                        Accessible.ignored: !visible
                        color: Theme.secondaryText
                        font.pixelSize: Theme.subheadlineSize
                        wrapMode: Text.WordWrap
                    }

                    NoticeLine {
                        objectName: "loginStartOfferProblem"
                        text: loginStart.problem
                        color: Theme.red
                    }
                }

                ActionButton {
                    kind: "prominent"
                    text: "Turn On"
                    onClicked: loginStart.acceptOffer()
                }

                ActionButton {
                    kind: "bordered"
                    text: "Not Now"
                    onClicked: loginStart.declineOffer()
                }
            }
        }

        // Break tip ---------------------------------------------------------------------
        GlassCard {
            Layout.fillWidth: true
            visible: FocusManager.isBreak
            implicitHeight: tipRow.implicitHeight + 2 * tipRow.anchors.margins

            RowLayout {
                id: tipRow

                anchors.fill: parent
                anchors.margins: 16
                spacing: 14

                TintedIcon {
                    name: "sparkles"
                    color: Theme.green
                    implicitWidth: 24
                    implicitHeight: 24
                    Accessible.ignored: true
                }

                ColumnLayout {
                    Layout.fillWidth: true
                    spacing: 3

                    Label {
                        Layout.fillWidth: true
                        text: "Mindful Break Prompt"
                        Accessible.ignored: !visible
                        color: Theme.text
                        font.pixelSize: Theme.headlineSize
                        font.bold: true
                    }

                    Label {
                        Layout.fillWidth: true
                        text: FocusManager.currentBreakPrompt
                        textFormat: Text.PlainText
                        Accessible.ignored: !visible
                        color: Theme.secondaryText
                        font.pixelSize: Theme.subheadlineSize
                        wrapMode: Text.WordWrap
                    }
                }

                ActionButton {
                    kind: "bordered"
                    text: "Next Tip"
                    onClicked: FocusManager.nextBreakPrompt()
                }
            }
        }

        // Timer card and side column ----------------------------------------------------
        RowLayout {
            Layout.fillWidth: true
            spacing: 20

            GlassCard {
                id: timerCard

                Layout.fillWidth: true
                Layout.alignment: Qt.AlignTop
                Layout.minimumWidth: 200
                implicitHeight: timerColumn.implicitHeight + 2 * timerColumn.anchors.margins

                ColumnLayout {
                    id: timerColumn

                    anchors.fill: parent
                    anchors.margins: 20
                    spacing: 18

                    // The pills side by side, each as wide as its text, when they fit; else two
                    // rows of two, all as wide as the widest so the rows line up.
                    GridLayout {
                        id: pills

                        readonly property var pillWidths: {
                            const widths = [];
                            for (let i = 0; i < pillRepeater.count; ++i)
                                widths.push(pillRepeater.itemAt(i).implicitWidth);
                            return widths;
                        }
                        readonly property real widestPill: Math.max(0, ...pillWidths)
                        readonly property bool fitsOneRow:
                            pillWidths.reduce((sum, width) => sum + width, 0)
                            + (pillWidths.length - 1) * columnSpacing <= timerColumn.width
                        readonly property real twoRowWidth:
                            Math.min(widestPill, (timerColumn.width - columnSpacing) / 2)

                        Layout.alignment: Qt.AlignHCenter
                        columns: fitsOneRow ? 4 : 2
                        columnSpacing: 8
                        rowSpacing: 8

                        Repeater {
                            id: pillRepeater

                            model: screen.durations

                            delegate: DurationPill {
                                required property var modelData

                                Layout.preferredWidth: pills.fitsOneRow ? implicitWidth
                                                                        : pills.twoRowWidth
                                label: modelData.label
                                seconds: modelData.seconds
                                current: screen.isCurrentDuration(FocusManager.totalSeconds,
                                                                  seconds)
                            }
                        }
                    }

                    Item {
                        readonly property real side: Math.min(200, timerColumn.width)

                        Layout.alignment: Qt.AlignHCenter
                        implicitWidth: side
                        implicitHeight: side

                        ProgressRing {
                            anchors.fill: parent
                            progress: FocusManager.progress
                            color: screen.onBreak ? Theme.green : Theme.accent
                            trackColor: Theme.track
                            trackOpacity: 0.18
                            lineWidth: 12
                        }

                        ColumnLayout {
                            anchors.centerIn: parent
                            spacing: 4

                            Label {
                                Layout.alignment: Qt.AlignHCenter
                                text: screen.phaseCaption
                                textFormat: Text.PlainText
                                color: screen.onBreak ? Theme.green : Theme.accent
                                font.pixelSize: Theme.captionSize
                                font.bold: true
                                font.letterSpacing: 0.5
                            }

                            Label {
                                Layout.alignment: Qt.AlignHCenter
                                text: FocusManager.formattedRemaining
                                textFormat: Text.PlainText
                                color: Theme.text
                                // The default face's digits share one width, so the time
                                // does not wobble as it counts.
                                font.pixelSize: 40
                                font.bold: true
                            }

                            Label {
                                Layout.alignment: Qt.AlignHCenter
                                text: screen.statusLine
                                textFormat: Text.PlainText
                                color: Theme.secondaryText
                                font.pixelSize: Theme.captionSize
                            }
                        }
                    }

                    // Side by side when they fit, else stacked at the card's width.
                    GridLayout {
                        id: actions

                        readonly property bool fitsOneRow:
                            primary.implicitWidth + reset.implicitWidth + columnSpacing
                            <= timerColumn.width

                        Layout.alignment: Qt.AlignHCenter
                        Layout.fillWidth: !fitsOneRow
                        columns: fitsOneRow ? 2 : 1
                        columnSpacing: 12
                        rowSpacing: 8

                        ActionButton {
                            id: primary

                            Layout.fillWidth: !actions.fitsOneRow
                            kind: "prominent"
                            text: screen.primaryActionTitle
                            enabled: !screen.locked
                            onClicked: FocusManager.toggleStartPause()
                        }

                        ActionButton {
                            id: reset

                            Layout.fillWidth: !actions.fitsOneRow
                            kind: "bordered"
                            text: "Reset"
                            enabled: !screen.locked
                            onClicked: FocusManager.resetTimer()
                        }
                    }

                    Rectangle {
                        Layout.fillWidth: true
                        implicitHeight: 1
                        color: Theme.divider
                    }

                    LabeledSwitch {
                        Layout.fillWidth: true
                        text: "Strict Mode"
                        caption: "Lock pause, reset, and blocklist edits mid-session"
                        titleSize: Theme.subheadlineSize
                        titleWeight: Font.DemiBold
                        checked: FocusManager.strictMode
                        // Can be switched on mid-session, never off.
                        enabled: !screen.locked
                        onToggled: FocusManager.strictMode = checked
                    }
                }
            }

            ColumnLayout {
                Layout.preferredWidth: 295
                Layout.maximumWidth: 295
                Layout.alignment: Qt.AlignTop
                spacing: 16

                GlassCard {
                    Layout.fillWidth: true
                    implicitHeight: protection.implicitHeight + 2 * protection.anchors.margins

                    ColumnLayout {
                        id: protection

                        anchors.fill: parent
                        anchors.margins: 18
                        spacing: 12

                        Label {
                            text: "Active Protection"
                            color: Theme.text
                            font.pixelSize: Theme.headlineSize
                            font.bold: true
                        }

                        StatusRow {
                            Layout.fillWidth: true
                            label: "Blocked Apps"
                            value: screen.blockedAppsValue
                        }

                        StatusRow {
                            Layout.fillWidth: true
                            label: "Blocked Websites"
                            value: screen.blockedSitesValue
                        }

                        StatusRow {
                            Layout.fillWidth: true
                            label: "YouTube Shorts"
                            value: screen.youTubeShortsValue
                        }

                        StatusRow {
                            Layout.fillWidth: true
                            label: "Instagram Reels"
                            value: screen.instagramReelsValue
                        }

                        StatusRow {
                            Layout.fillWidth: true
                            label: "18+ Filter"
                            value: screen.adultFilterValue
                        }
                    }
                }

                GlassCard {
                    Layout.fillWidth: true
                    implicitHeight: audio.implicitHeight + 2 * audio.anchors.margins

                    ColumnLayout {
                        id: audio

                        anchors.fill: parent
                        anchors.margins: 18
                        spacing: 10

                        RowLayout {
                            Layout.fillWidth: true
                            spacing: 8

                            Label {
                                Layout.fillWidth: true
                                text: "Ambient Focus Audio"
                                color: Theme.text
                                font.pixelSize: Theme.headlineSize
                                font.bold: true
                                elide: Text.ElideRight
                            }

                            LabeledSwitch {
                                compact: true
                                text: "Preview"
                                titleSize: Theme.captionSize
                                checked: FocusManager.previewAmbientSound
                                onToggled: FocusManager.previewAmbientSound = checked
                            }
                        }

                        SegmentedPicker {
                            Layout.fillWidth: true
                            title: "Sound"
                            fontSize: Theme.captionSize
                            model: screen.soundTitles
                            currentIndex: FocusManager.ambientSound
                            onActivated: index => FocusManager.ambientSound = index
                        }

                        LabeledSlider {
                            Layout.fillWidth: true
                            visible: screen.showsVolume
                            label: "Volume"
                            from: 0.05
                            to: 0.7
                            value: FocusManager.ambientVolume
                            onMoved: volume => FocusManager.ambientVolume = volume
                            onReleased: FocusManager.saveNow()
                        }
                    }
                }

                GlassCard {
                    Layout.fillWidth: true
                    implicitHeight: shieldPreview.implicitHeight
                                    + 2 * shieldPreview.anchors.margins

                    ColumnLayout {
                        id: shieldPreview

                        anchors.fill: parent
                        anchors.margins: 18
                        spacing: 10

                        Label {
                            text: "Test Block Shield"
                            color: Theme.text
                            font.pixelSize: Theme.headlineSize
                            font.bold: true
                        }

                        ActionButton {
                            kind: "bordered"
                            text: "Preview Block Shield"
                            onClicked: FocusManager.interceptedTargetName = "Discord"
                        }
                    }
                }
            }
        }
    }
}
