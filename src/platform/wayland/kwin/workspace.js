// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Loaded into KWin by Quorel: tells Quorel which window comes to the front, which windows there
// are and which come into sight, and minimises the windows Quorel names in its answers.
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

function minimiseAnswered(answer) {
    try {
        minimise(JSON.parse(answer));
    } catch (e) {
    }
}

function reportActive(client) {
    var facts = client ? JSON.stringify(describe(client)) : "null";
    callDBus(service, path, iface, "Activated", facts, minimiseAnswered);
}

// On the desktop and activity shown, neither minimised nor hidden; false for a window gone.
function inSight(client) {
    try {
        return !client.deleted && !client.minimized && !client.hidden &&
            !client.desktopWindow && !client.dock &&
            (client.onAllDesktops || client.desktop === workspace.currentDesktop) &&
            (client.activities.length === 0 ||
             client.activities.indexOf(workspace.currentActivity) >= 0);
    } catch (e) {
        return false;
    }
}

// Windows that may have come into sight, told in one call once the events of this turn are
// done (a desktop switch shows many at once), and only those still in sight then.
var maybeShown = [];

function reportShown() {
    var windows = [];
    for (var i = 0; i < maybeShown.length; ++i) {
        if (inSight(maybeShown[i])) {
            windows.push(describe(maybeShown[i]));
        }
    }
    maybeShown = [];
    if (windows.length > 0) {
        callDBus(service, path, iface, "Shown", JSON.stringify(windows), minimiseAnswered);
    }
}

function mayHaveShown(client) {
    if (!client || maybeShown.indexOf(client) >= 0) {
        return;
    }
    maybeShown.push(client);
    if (maybeShown.length === 1) {
        Promise.resolve().then(reportShown);
    }
}

function watch(client) {
    var check = function () { mayHaveShown(client); };
    client.windowShown.connect(check);
    client.minimizedChanged.connect(check);
    client.desktopChanged.connect(check);
    client.activitiesChanged.connect(check);
    client.screenChanged.connect(check);
}

function mayAllHaveShown() {
    workspace.clientList().forEach(mayHaveShown);
}

workspace.clientActivated.connect(reportActive);
workspace.clientAdded.connect(function (client) {
    reportWindows(null);
    watch(client);
    mayHaveShown(client);
});
workspace.clientRemoved.connect(function (client) {
    var queued = maybeShown.indexOf(client);
    if (queued >= 0) {
        maybeShown.splice(queued, 1);
    }
    reportWindows(client);
});
workspace.clientMinimized.connect(function () { reportWindows(null); });
workspace.clientUnminimized.connect(function () { reportWindows(null); });
workspace.currentDesktopChanged.connect(mayAllHaveShown);
workspace.currentActivityChanged.connect(mayAllHaveShown);

workspace.clientList().forEach(watch);
reportWindows(null);
reportActive(workspace.activeClient);
