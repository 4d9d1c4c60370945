// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Quorel

// A screen's page: one padded column that scrolls vertically and keeps the keyboard focus in
// view. Children go into the column.
Flickable {
    id: page

    default property alias content: column.data
    property real padding: 24
    property alias spacing: column.spacing

    contentWidth: width
    contentHeight: column.implicitHeight + 2 * padding
    clip: true
    boundsBehavior: Flickable.StopAtBounds

    ScrollBar.vertical: ScrollBar {
        policy: page.contentHeight > page.height ? ScrollBar.AlwaysOn : ScrollBar.AlwaysOff
        Accessible.ignored: !visible
    }

    ColumnLayout {
        id: column

        x: page.padding
        y: page.padding
        width: page.width - 2 * page.padding
        spacing: 20
    }

    // Tabbing onto a control below the fold scrolls it in, as a native scroll view does.
    function reveal(item) {
        let inside = item;
        while (inside && inside !== column)
            inside = inside.parent;
        if (!inside || page.height <= 0)
            return;
        const top = item.mapToItem(page.contentItem, 0, 0).y - 8;
        const bottom = top + item.height + 16;
        const highest = Math.max(0, page.contentHeight - page.height);
        if (top < page.contentY)
            page.contentY = Math.max(0, top);
        else if (bottom > page.contentY + page.height)
            page.contentY = Math.min(highest, bottom - page.height);
    }

    Connections {
        target: page.Window.window
        function onActiveFocusItemChanged() {
            page.reveal(page.Window.activeFocusItem);
        }
    }
}
