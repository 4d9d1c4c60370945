import QtQuick
import Quorel

// The card every screen puts its panels on: frosted glass while the glass look is on, a plain
// rounded panel otherwise. Children go inside; size it like any Item.
Item {
    id: card

    // Whether to draw the glass style (callers pass FocusManager.liquidGlassEnabled).
    property bool glass: FocusManager.liquidGlassEnabled
    // How see-through the glass is (the user's setting, or a fixed value some screens use).
    property real transparency: FocusManager.glassTransparency
    // Corner radius of the glass style; the plain style always uses its own.
    property real cornerRadius: 18

    default property alias content: body.data

    Rectangle {
        anchors.fill: parent
        radius: card.glass ? card.cornerRadius : 14
        color: Theme.card
        border.width: 1
        border.color: Theme.cardBorder
    }

    Item {
        id: body
        anchors.fill: parent
    }
}
