import QtQuick
import Quorel

// The plain card every screen puts its content on.
Rectangle {
    radius: 18
    color: Theme.card
    border.width: 1
    border.color: Theme.cardBorder
}
