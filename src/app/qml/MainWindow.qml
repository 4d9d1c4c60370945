import QtQuick
import QtQuick.Window
import Quorel

Window {
    id: window

    signal quitRequested

    title: "Quorel"
    minimumWidth: 820
    minimumHeight: 560
    width: minimumWidth
    height: minimumHeight
    color: Theme.background

    Shortcut {
        sequences: [StandardKey.Quit]
        onActivated: window.quitRequested()
    }

    ContentView {
        anchors.fill: parent
    }
}
