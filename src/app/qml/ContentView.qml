// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import QtQuick.Templates as T
import Quorel

// The main window's content: the glass backdrop, the sidebar beside the selected screen, the
// strict banner over every screen, and the block shield as a sheet. It keeps no state: the
// selected screen is the presenter's, kept beside the manager, and the shield's target is the
// manager's.
Item {
    id: root

    readonly property bool glass: FocusManager.glassEnabled

    palette.highlight: Theme.accent
    palette.highlightedText: Theme.accentText

    MainWindowPresenter {
        id: mainPresenter
        manager: FocusManager
    }

    WindowGlass {
        id: windowGlass
        width: 0
        height: 0
        glassEnabled: root.glass
        windowColor: Theme.background
    }

    Rectangle {
        anchors.fill: parent
        visible: !root.glass
        color: Theme.background
    }

    GlassBackdrop {
        anchors.fill: parent
        visible: root.glass
        baseOpacity: windowGlass.backdropOpacity
    }

    SplitView {
        anchors.fill: parent
        orientation: Qt.Horizontal

        handle: Rectangle {
            implicitWidth: 1
            color: root.glass ? Qt.rgba(1, 1, 1, 0.07) : Theme.divider
            // A wider grip than the line it draws.
            containmentMask: Item {
                x: -4
                width: 9
                height: parent ? parent.height : 0
            }
        }

        Sidebar {
            SplitView.minimumWidth: 205
            SplitView.preferredWidth: 225
            presenter: mainPresenter
        }

        ColumnLayout {
            SplitView.fillWidth: true
            spacing: 0

            Rectangle {
                objectName: "strictBanner"
                Layout.fillWidth: true
                visible: mainPresenter.showsStrictBanner
                implicitHeight: bannerRow.implicitHeight + 2 * 10
                color: Qt.rgba(Theme.red.r, Theme.red.g, Theme.red.b, 0.14)

                RowLayout {
                    id: bannerRow

                    anchors.fill: parent
                    anchors.margins: 10
                    spacing: 8

                    TintedIcon {
                        implicitWidth: 13
                        implicitHeight: 13
                        name: "changes-prevent"
                        color: Theme.red
                        Accessible.ignored: true
                    }

                    Text {
                        Layout.fillWidth: true
                        text: mainPresenter.strictBannerText
                        textFormat: Text.PlainText
                        color: Theme.red
                        font.pixelSize: Theme.calloutSize
                        font.weight: Font.Medium
                        wrapMode: Text.Wrap
                        Accessible.role: Accessible.StaticText
                        Accessible.name: text
                        // Qt keeps hidden items in the tree a screen reader reads.
                        Accessible.ignored: !visible
                    }
                }
            }

            // A saved document that could not be read was moved aside: where to find it.
            Rectangle {
                objectName: "documentNoticeBanner"
                Layout.fillWidth: true
                visible: FocusManager.documentNotice !== ""
                implicitHeight: documentNoticeRow.implicitHeight + 2 * 10
                color: Qt.rgba(1, 0.8, 0.3, 0.12)

                RowLayout {
                    id: documentNoticeRow

                    anchors.fill: parent
                    anchors.margins: 10
                    spacing: 10

                    Text {
                        Layout.fillWidth: true
                        text: FocusManager.documentNotice
                        textFormat: Text.PlainText
                        color: Theme.text
                        font.pixelSize: Theme.calloutSize
                        wrapMode: Text.WrapAnywhere
                        Accessible.role: Accessible.StaticText
                        Accessible.name: text
                        Accessible.ignored: !visible
                    }

                    ActionButton {
                        text: "Dismiss"
                        kind: "borderless"
                        onClicked: FocusManager.dismissDocumentNotice()
                    }
                }
            }

            // Saves that do not reach the disk; gone with the first one that does.
            Rectangle {
                objectName: "saveProblemBanner"
                Layout.fillWidth: true
                visible: FocusManager.saveProblem !== ""
                implicitHeight: saveProblemText.implicitHeight + 2 * 10
                color: Qt.rgba(1, 0.8, 0.3, 0.12)

                Text {
                    id: saveProblemText

                    anchors.fill: parent
                    anchors.margins: 10
                    text: FocusManager.saveProblem
                    textFormat: Text.PlainText
                    color: Theme.text
                    font.pixelSize: Theme.calloutSize
                    wrapMode: Text.Wrap
                    Accessible.role: Accessible.StaticText
                    Accessible.name: text
                    Accessible.ignored: !visible
                }
            }

            Item {
                Layout.fillWidth: true
                Layout.fillHeight: true

                Loader {
                    id: screen
                    anchors.fill: parent
                    active: mainPresenter.screenSource.toString() !== ""
                    source: mainPresenter.screenSource
                }

                // Until a screen's file is part of the app, and should one fail to load.
                ScreenPlaceholder {
                    anchors.fill: parent
                    visible: screen.status !== Loader.Ready
                    title: mainPresenter.screenTitle
                    icon: mainPresenter.screenIcon
                }
            }
        }
    }

    Popup {
        id: sheet

        // Kept while the sheet closes, so the card never shows an empty name.
        property string shownName

        function sync() {
            if (FocusManager.hasInterceptedTarget) {
                shownName = FocusManager.interceptedTargetName;
                open();
            } else {
                close();
            }
        }

        parent: T.Overlay.overlay
        anchors.centerIn: parent
        modal: true
        focus: true
        padding: 0
        // A stray click beside the sheet must not wave the shield away; Escape is deliberate.
        closePolicy: Popup.CloseOnEscape
        // A sheet is solid: the see-through card alone would show the screen behind its text.
        background: Rectangle {
            radius: FocusManager.glassEnabled ? 18 : 14
            color: Theme.background
        }

        T.Overlay.modal: Rectangle {
            color: Qt.rgba(0, 0, 0, 0.45)
        }

        contentItem: BlockShieldView {
            targetName: sheet.shownName
            onCloseRequested: sheet.close()
        }

        // Escape or the button: whichever way it closes, the target is gone.
        onClosed: FocusManager.interceptedTargetName = ""

        Component.onCompleted: sync()

        Connections {
            target: FocusManager

            function onInterceptedTargetChanged() {
                sheet.sync();
            }
        }
    }
}
