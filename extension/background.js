// Quorel browser link. Tells the Quorel app (through its native-messaging host) which tab is in
// front of the last focused window, and loads an address in a tab when the app asks for it.
// Plain script, no build step: the same file runs as Chromium's service worker and as Firefox's
// background page.
"use strict";

const api = globalThis.browser ?? globalThis.chrome;
const HOST = "app.quorel.browser_host";
const HEARTBEAT_MS = 3000;
const RECONNECT_MS = 2000;

let port = null;
let reconnectTimer = null;

function scheduleReconnect() {
  if (reconnectTimer === null) {
    reconnectTimer = setTimeout(() => {
      reconnectTimer = null;
      connect();
    }, RECONNECT_MS);
  }
}

// The host lives as long as the port: it waits for Quorel itself, so a port that closes means
// the host is missing, crashed, or was refused. Try again later either way.
function connect() {
  if (port !== null) {
    return;
  }
  let candidate;
  try {
    candidate = api.runtime.connectNative(HOST);
  } catch (e) {
    scheduleReconnect();
    return;
  }
  port = candidate;
  candidate.onMessage.addListener(onMessage);
  candidate.onDisconnect.addListener(() => {
    void api.runtime.lastError; // read, so Chromium does not log it as unchecked
    if (port === candidate) {
      port = null;
    }
    scheduleReconnect();
  });
  report();
}

function post(message) {
  if (port === null) {
    return;
  }
  try {
    port.postMessage(message);
  } catch (e) {
    port = null;
    scheduleReconnect();
  }
}

async function report() {
  if (port === null) {
    return;
  }
  let win;
  try {
    win = await api.windows.getLastFocused({ populate: true, windowTypes: ["normal"] });
  } catch (e) {
    return; // no browser window open
  }
  const tab = (win.tabs || []).find((t) => t.active);
  if (!tab) {
    return;
  }
  post({
    type: "front",
    // A typed address is pending before it commits: report it early so it is checked early.
    url: tab.pendingUrl || tab.url || "",
    title: tab.title || "",
    status: tab.status || "",
    tabId: tab.id,
    windowId: win.id,
    focused: Boolean(win.focused),
  });
}

async function onMessage(message) {
  if (!message || message.type !== "navigate") {
    return;
  }
  let ok = false;
  if (typeof message.url === "string" && Number.isInteger(message.tabId)) {
    try {
      await api.tabs.update(message.tabId, { url: message.url });
      ok = true;
    } catch (e) {
      ok = false; // the tab is gone, or the address is one the browser does not let us load
    }
  }
  post({ type: "done", id: message.id, ok });
}

// Listeners at the top level, so that an event wakes a suspended worker and reaches them.
api.tabs.onActivated.addListener(() => report());
api.tabs.onUpdated.addListener((tabId, change, tab) => {
  if (tab.active && (change.url !== undefined || change.status !== undefined ||
                     change.title !== undefined)) {
    report();
  }
});
api.windows.onFocusChanged.addListener(() => report());
api.runtime.onStartup.addListener(() => connect());
api.runtime.onInstalled.addListener(() => connect());

setInterval(() => {
  if (port === null) {
    connect();
  } else {
    report();
  }
}, HEARTBEAT_MS);

connect();
