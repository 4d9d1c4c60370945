import QtQuick
import QtQuick.Layouts
import Quorel

// The main window's content: for now the countdown card alone.
Item {
    id: root

    ControlPanelPresenter {
        id: panel
        manager: FocusManager
    }

    Rectangle {
        anchors.fill: parent
        gradient: Gradient {
            GradientStop {
                position: 0
                color: Theme.backgroundTop
            }
            GradientStop {
                position: 1
                color: Theme.background
            }
        }
    }

    Card {
        anchors.centerIn: parent
        width: 380
        height: column.implicitHeight + 2 * 32

        ColumnLayout {
            id: column

            anchors.centerIn: parent
            width: parent.width - 2 * 32
            spacing: 20

            ColumnLayout {
                Layout.alignment: Qt.AlignHCenter
                spacing: 4

                Text {
                    Layout.alignment: Qt.AlignHCenter
                    text: panel.presetName
                    color: Theme.text
                    font.pixelSize: 22
                    font.bold: true
                }

                // Keeps its height when unlocked so the card does not jump.
                Item {
                    Layout.alignment: Qt.AlignHCenter
                    implicitWidth: lockRow.implicitWidth
                    implicitHeight: 16

                    RowLayout {
                        id: lockRow

                        anchors.centerIn: parent
                        spacing: 6
                        visible: panel.locked

                        SymbolIcon {
                            name: "lock.fill"
                            color: Theme.red
                            implicitWidth: 13
                            implicitHeight: 13
                            Accessible.ignored: true
                        }

                        Text {
                            text: "Strict Mode Locked"
                            color: Theme.red
                            font.pixelSize: Theme.captionSize
                        }
                    }
                }
            }

            CountdownRing {
                Layout.alignment: Qt.AlignHCenter
                Layout.preferredWidth: 220
                Layout.preferredHeight: 220
                lineWidth: 14
                timeSize: 46
                captionSize: Theme.captionSize + 1
                progress: panel.progress
                remaining: panel.remaining
                caption: panel.phaseCaption
                onBreak: panel.onBreak
            }

            RowLayout {
                Layout.alignment: Qt.AlignHCenter
                spacing: 10

                ActionButton {
                    // Space starts a session as soon as the window opens.
                    focus: true
                    kind: "prominent"
                    implicitWidth: 140
                    text: panel.primaryActionTitle
                    enabled: !panel.locked
                    onClicked: FocusManager.toggleStartPause()
                }

                ActionButton {
                    kind: "bordered"
                    implicitWidth: 100
                    text: "Reset"
                    enabled: !panel.locked
                    onClicked: FocusManager.resetTimer()
                }
            }
        }
    }
}
