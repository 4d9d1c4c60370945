// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Loaded into KWin by Quorel: tells Quorel which window comes to the front and which windows
// there are, and minimises the windows Quorel names in its answer to an activation.
//
// KWin scripts cannot offer D-Bus methods of their own, so everything starts here and goes out
// through callDBus; Quorel's requests at other times come as a short script of their own.

var service = "@SERVICE@";
var path = "@PATH@";
var iface = "@INTERFACE@";

function describe(client) {
    return {
        id: String(client.internalId),
        appId: String(client.desktopFileName || ""),
        resourceClass: String(client.resourceClass || ""),
        resourceName: String(client.resourceName || ""),
        pid: client.pid > 0 ? client.pid : 0,
        normal: !!client.normalWindow,
        dialog: !!client.dialog,
        skipTaskbar: !!client.skipTaskbar,
        shell: !!(client.desktopWindow || client.dock)
    };
}

@MINIMISE@

// The removed window may still be listed while its signal is delivered.
function reportWindows(removed) {
    var clients = workspace.clientList();
    var windows = [];
    for (var i = 0; i < clients.length; ++i) {
        if (removed && clients[i] === removed) {
            continue;
        }
        windows.push(describe(clients[i]));
    }
    callDBus(service, path, iface, "Windows", JSON.stringify(windows));
}

function reportActive(client) {
    var facts = client ? JSON.stringify(describe(client)) : "null";
    callDBus(service, path, iface, "Activated", facts, function (answer) {
        try {
            minimise(JSON.parse(answer));
        } catch (e) {
        }
    });
}

workspace.clientActivated.connect(reportActive);
workspace.clientAdded.connect(function () { reportWindows(null); });
workspace.clientRemoved.connect(function (client) { reportWindows(client); });
workspace.clientMinimized.connect(function () { reportWindows(null); });
workspace.clientUnminimized.connect(function () { reportWindows(null); });

reportWindows(null);
reportActive(workspace.activeClient);
