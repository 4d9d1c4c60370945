// Loaded into KWin by Quorel for one request: minimises the named applications' windows, says
// it is done, and is unloaded by Quorel.

var targets = @TARGETS@;
var clients = workspace.clientList();
for (var i = 0; i < clients.length; ++i) {
    var client = clients[i];
    if ((!client.normalWindow && !client.dialog) || !client.minimizable) {
        continue;
    }
    for (var j = 0; j < targets.length; ++j) {
        var target = targets[j];
        var sameClass = String(client.resourceClass || "") === target.resourceClass;
        if (sameClass && (target.pid <= 0 || client.pid === target.pid)) {
            client.minimized = true;
            break;
        }
    }
}
callDBus("@SERVICE@", "@PATH@", "@INTERFACE@", "HideDone", "@TOKEN@");
