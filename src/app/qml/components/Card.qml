import QtQuick
import Quorel

// A card in the plain style whatever the glass setting.
GlassCard {
    glass: false
}
