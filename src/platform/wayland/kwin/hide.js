// Loaded into KWin by Quorel for one request: minimises the windows it names, says it is done,
// and is unloaded by Quorel.

var ids = @TARGETS@;
var clients = workspace.clientList();
for (var i = 0; i < clients.length; ++i) {
    if (ids.indexOf(String(clients[i].internalId)) >= 0 && clients[i].minimizable) {
        clients[i].minimized = true;
    }
}
callDBus("@SERVICE@", "@PATH@", "@INTERFACE@", "HideDone", "@TOKEN@");
