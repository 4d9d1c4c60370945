// Loaded into KWin by Quorel for one request: minimises the windows it names, says it is done,
// and is unloaded by Quorel.

var ids = @TARGETS@;
var clients = workspace.clientList();
var active = null;
// The active window last, or KWin hands the front to another of them.
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
callDBus("@SERVICE@", "@PATH@", "@INTERFACE@", "HideDone", "@TOKEN@");
