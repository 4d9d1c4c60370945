// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Quorel

// Screen time and focus figures for today and the week, live while the tracker counts. The
// daily goal is the only thing the user changes here.
Item {
    id: root

    InsightsScreenModel {
        id: screen
        manager: FocusManager
    }

    ScrollPage {
        anchors.fill: parent

        ColumnLayout {
            Layout.fillWidth: true
            spacing: 4

            RowLayout {
                Layout.fillWidth: true
                spacing: 8

                Text {
                    Layout.fillWidth: true
                    text: "Screen Time Insights"
                    Accessible.role: Accessible.Heading
                    Accessible.name: text
                    color: Theme.text
                    font.pixelSize: Theme.title2Size
                    font.bold: true
                    elide: Text.ElideRight
                }

                CapsuleBadge {
                    text: screen.modeBadge
                }
            }

            Text {
                Layout.fillWidth: true
                text: "Live local tracking of your active apps and daily focus goals."
                Accessible.role: Accessible.StaticText
                Accessible.name: text
                color: Theme.secondaryText
                font.pixelSize: Theme.bodySize
                wrapMode: Text.Wrap
            }
        }

        // Three cards of one width; a layout would size them by their texts.
        Row {
            id: figures

            readonly property real cardWidth: (width - 2 * spacing) / 3
            readonly property real cardHeight: Math.max(screenTimeCard.implicitHeight,
                                                        focusCard.implicitHeight,
                                                        streakCard.implicitHeight)

            Layout.fillWidth: true
            spacing: 16

            KPICard {
                id: screenTimeCard

                width: figures.cardWidth
                height: figures.cardHeight
                title: "Today's Screen Time"
                value: screen.screenTimeText
                subtitle: screen.goalText
            }

            KPICard {
                id: focusCard

                width: figures.cardWidth
                height: figures.cardHeight
                title: "Focus Completed"
                value: screen.focusMinutesText
                subtitle: screen.sessionsText
            }

            KPICard {
                id: streakCard

                width: figures.cardWidth
                height: figures.cardHeight
                title: "Current Streak"
                value: screen.streakText
                subtitle: "Under daily limit"
            }
        }

        // Side by side while the week's bars fit in half the width; stacked below that.
        Item {
            id: panels

            readonly property real gap: 18
            readonly property bool sideBySide: (width - gap) / 2 - 2 * 18 >= chart.implicitWidth
            readonly property real panelWidth: sideBySide ? (width - gap) / 2 : width

            Layout.fillWidth: true
            implicitHeight: sideBySide ? Math.max(weeklyPanel.height, appsPanel.height)
                                       : weeklyPanel.height + gap + appsPanel.height

            GlassCard {
                id: weeklyPanel

                width: panels.panelWidth
                height: implicitHeight
                implicitHeight: weekly.implicitHeight + 2 * 18
                transparency: 0.28
                cornerRadius: 18

                ColumnLayout {
                    id: weekly

                    anchors.fill: parent
                    anchors.margins: 18
                    spacing: 14

                    RowLayout {
                        Layout.fillWidth: true
                        spacing: 8

                        Text {
                            Layout.fillWidth: true
                            text: "Weekly Screen Time (hrs)"
                            Accessible.role: Accessible.Heading
                            Accessible.name: text
                            color: Theme.text
                            font.pixelSize: Theme.headlineSize
                            font.weight: Font.DemiBold
                            elide: Text.ElideRight
                        }

                        Text {
                            text: screen.goalText
                            textFormat: Text.PlainText
                            Accessible.role: Accessible.StaticText
                            Accessible.name: text
                            color: Theme.secondaryText
                            font.pixelSize: Theme.captionSize
                        }
                    }

                    AccentSlider {
                        Layout.fillWidth: true
                        Accessible.name: "Daily Goal"
                        from: 1
                        to: 6
                        stepSize: 0.5
                        snapMode: Slider.SnapAlways
                        value: FocusManager.dailyGoalHours
                        onMoved: FocusManager.dailyGoalHours = value
                        onPressedChanged: {
                            if (!pressed) {
                                FocusManager.saveNow();
                            }
                        }
                    }

                    WeeklyBars {
                        id: chart

                        Layout.fillWidth: true
                        model: screen.weeklyBars
                        fullBarHeight: screen.fullBarHeight
                    }
                }
            }

            GlassCard {
                id: appsPanel

                x: panels.sideBySide ? panels.panelWidth + panels.gap : 0
                y: panels.sideBySide ? 0 : weeklyPanel.height + panels.gap
                width: panels.panelWidth
                height: implicitHeight
                implicitHeight: topApps.implicitHeight + 2 * 18
                transparency: 0.28
                cornerRadius: 18

                ColumnLayout {
                    id: topApps

                    anchors.fill: parent
                    anchors.margins: 18
                    spacing: 12

                    Text {
                        Layout.fillWidth: true
                        text: "Top Apps Today (Live)"
                        Accessible.role: Accessible.Heading
                        Accessible.name: text
                        color: Theme.text
                        font.pixelSize: Theme.headlineSize
                        font.weight: Font.DemiBold
                        elide: Text.ElideRight
                    }

                    Text {
                        Layout.fillWidth: true
                        visible: screen.topApps.count === 0
                        topPadding: 8
                        bottomPadding: 8
                        text: "No usage recorded yet for this mode today."
                        Accessible.role: Accessible.StaticText
                        Accessible.name: text
                        Accessible.ignored: !visible
                        color: Theme.secondaryText
                        font.pixelSize: Theme.subheadlineSize
                        wrapMode: Text.Wrap
                    }

                    Repeater {
                        model: screen.topApps

                        delegate: ColumnLayout {
                            id: app

                            required property string name
                            required property string minutesText
                            required property real fraction

                            Layout.fillWidth: true
                            spacing: 4

                            RowLayout {
                                Layout.fillWidth: true
                                spacing: 8

                                Text {
                                    Layout.fillWidth: true
                                    text: app.name
                                    textFormat: Text.PlainText
                                    Accessible.role: Accessible.StaticText
                                    Accessible.name: text
                                    color: Theme.text
                                    font.pixelSize: Theme.subheadlineSize
                                    elide: Text.ElideRight
                                }

                                Text {
                                    text: app.minutesText
                                    textFormat: Text.PlainText
                                    Accessible.role: Accessible.StaticText
                                    Accessible.name: text
                                    color: Theme.secondaryText
                                    font.pixelSize: Theme.subheadlineSize
                                }
                            }

                            LinearProgress {
                                Layout.fillWidth: true
                                value: app.fraction
                                Accessible.name: app.name
                            }
                        }
                    }
                }
            }
        }
    }
}
