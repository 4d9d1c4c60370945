// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Shared by Quorel's KWin scripts: Quorel pastes it into each one.

// Every window Quorel names that can be minimised, whatever its type; the active one last, or
// KWin hands the front to another of them and the application seems to come back.
function minimise(ids) {
    if (!Array.isArray(ids) || ids.length === 0) {
        return;
    }
    var clients = workspace.clientList();
    var active = null;
    for (var i = 0; i < clients.length; ++i) {
        if (ids.indexOf(String(clients[i].internalId)) >= 0 && clients[i].minimizable) {
            if (clients[i] === workspace.activeClient) {
                active = clients[i];
            } else {
                clients[i].minimized = true;
            }
        }
    }
    if (active) {
        active.minimized = true;
    }
}
