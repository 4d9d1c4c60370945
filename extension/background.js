// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Quorel browser link. Tells the Quorel app (through its native-messaging host) which tab is in
// front of the last focused window, and loads an address in a tab when the app asks for it.
// Plain script, no build step: the same file runs as Chromium's service worker and as Firefox's
// background page.
"use strict";

const api = globalThis.browser ?? globalThis.chrome;
const HOST = "app.quorel.browser_host";
// The release of the messages we exchange with the app (browserLinkVersion on its side).
const LINK_VERSION = 3;
const HEARTBEAT_MS = 3000;
const RECONNECT_MS = 2000;
// Far below the 1 MiB a message to the app may take, and far above any address a person reads.
const MAX_ADDRESS = 32 * 1024;
const MAX_TITLE = 1024;
const GECKO = api.runtime.getURL("").startsWith("moz-extension:");

let port = null;
let reconnectTimer = null;
// The last front report, so that a navigation in that tab is told at once, before the browser
// gets round to updating the tab; and whether private windows are ours to see, asked now and then
// rather than before every report.
let lastFront = null;
let privateAllowed = false;
// Firefox lets a navigation that has not committed yet win over an address loaded into its tab
// meanwhile: there the address waits for the commit (tab id -> address, or null while none).
const uncommitted = new Map();
const UNCOMMITTED_WAIT_MS = 1000;
// Firefox lets us hold a navigation of the front tab until the app has judged its address, so a
// blocked page is never asked for (hold id -> {tabId, url, resolve, timer}). The app answers within a few
// milliseconds; one that does not lets the page load, and its heartbeat check still follows.
const held = new Map();
const HOLD_MS = 300;
let lastHold = 0;

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
      for (const hold of [...held.keys()]) {
        settle(hold, {});
      }
    }
    scheduleReconnect();
  });
  post({ type: "extension", version: LINK_VERSION });
  refreshPrivateAccess().then(report);
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

// The address as the app judges it: without its fragment, and cut to a bound that keeps the
// host and path (the query goes first), so that no address is too long to be judged.
function boundedAddress(raw) {
  let url;
  try {
    url = new URL(raw);
  } catch (e) {
    return raw.slice(0, MAX_ADDRESS);
  }
  url.hash = "";
  if (url.href.length > MAX_ADDRESS) {
    url.search = "";
  }
  return url.href.slice(0, MAX_ADDRESS);
}

async function refreshPrivateAccess() {
  try {
    privateAllowed = Boolean(await api.extension.isAllowedIncognitoAccess());
  } catch (e) {
    privateAllowed = false;
  }
}

async function report() {
  if (port === null) {
    return;
  }
  let win;
  try {
    // Popups and app windows are guarded like the rest. Firefox takes no filter (it ignores it
    // and warns), Chromium leaves popups and apps out without one.
    win = await api.windows.getLastFocused(
        GECKO ? { populate: true } : { populate: true, windowTypes: ["normal", "popup", "app"] });
  } catch (e) {
    return; // no browser window open
  }
  const tab = (win.tabs || []).find((t) => t.active);
  if (!tab) {
    return;
  }
  // A tab whose navigation we hold is told as going there, with the hold, until it is let go.
  const hold = heldIn(tab.id);
  lastFront = {
    type: "front",
    // A typed address is pending before it commits: report it early so it is checked early.
    url: hold ? hold.url : boundedAddress(tab.pendingUrl || tab.url || ""),
    title: hold ? "" : (tab.title || "").slice(0, MAX_TITLE),
    status: hold ? "loading" : tab.status || "",
    tabId: tab.id,
    windowId: win.id,
    // A window that lost the focus (to another program, or to a private window we may not
    // see) is reported so, and the app does not take its tab as the one in front.
    focused: Boolean(win.focused),
    privateWindows: privateAllowed,
  };
  post(hold ? { ...lastFront, hold: hold.id } : lastFront);
}

// A navigation of the front tab starts: told before any byte of the page is asked for, so that a
// blocked address is sent away before it shows. The tab's own update follows and confirms it.
function reportNavigation(details) {
  // A page Chromium prerenders as the user types is not where the tab goes yet. Where the
  // request is held, the hold tells of it.
  if (details.frameId !== 0 || details.documentLifecycle === "prerender" || lastFront === null ||
      details.tabId !== lastFront.tabId || holding) {
    return;
  }
  post({ ...lastFront, url: boundedAddress(details.url), title: "", status: "loading" });
}

// Holds a navigation of the front tab (Firefox) until the app lets it go or sends it elsewhere.
function holdNavigation(details) {
  if (port === null || lastFront === null || details.tabId !== lastFront.tabId) {
    return {};
  }
  return new Promise((resolve) => {
    const hold = ++lastHold;
    const url = boundedAddress(details.url);
    const timer = setTimeout(() => settle(hold, {}), HOLD_MS);
    held.set(hold, { tabId: details.tabId, url, resolve, timer });
    post({ ...lastFront, url, title: "", status: "loading", hold });
  });
}

// The newest navigation held in a tab, as {id, url}; null when none is.
function heldIn(tabId) {
  let found = null;
  for (const [id, entry] of held) {
    if (entry.tabId === tabId) {
      found = { id, url: entry.url };
    }
  }
  return found;
}

function settle(hold, verdict) {
  const entry = held.get(hold);
  if (entry) {
    held.delete(hold);
    clearTimeout(entry.timer);
    entry.resolve(verdict);
  }
}

// The held navigation of a tab, if any, goes to url instead; true when there was one.
function sendHeld(tabId, url) {
  let found = false;
  for (const [hold, entry] of held) {
    if (entry.tabId === tabId) {
      // Our own page may not be a redirect's target: the request is dropped and the page loaded.
      settle(hold, url.startsWith("http") ? { redirectUrl: url } : { cancel: true });
      found = true;
    }
  }
  return found;
}

// Our own page: the bridge on the app's port is not ours to send to when the app could not
// listen there.
function blockedPage(site) {
  return api.runtime.getURL("blocked.html") + "?site=" + encodeURIComponent(site);
}

async function onMessage(message) {
  if (message && message.type === "welcome" && message.version !== LINK_VERSION) {
    console.warn("Quorel: the app speaks release", message.version, "of the link, this",
                 "extension", LINK_VERSION, "- install the extension that came with the app");
    return;
  }
  if (message && message.type === "release") {
    settle(message.hold, {});
    return;
  }
  if (!message || message.type !== "navigate") {
    return;
  }
  let ok = false;
  const url = typeof message.blockedSite === "string" ? blockedPage(message.blockedSite)
                                                      : message.url;
  if (typeof url === "string" && Number.isInteger(message.tabId)) {
    if (sendHeld(message.tabId, url) && url.startsWith("http")) {
      ok = true;
    } else if (uncommitted.has(message.tabId)) {
      uncommitted.set(message.tabId, url);
      setTimeout(() => loadWaiting(message.tabId), UNCOMMITTED_WAIT_MS);
      ok = true;
    } else {
      ok = await load(message.tabId, url);
    }
  }
  post({ type: "done", id: message.id, ok });
}

async function load(tabId, url) {
  try {
    await api.tabs.update(tabId, { url });
    return true;
  } catch (e) {
    return false; // the tab is gone, or the address is one the browser does not let us load
  }
}

function loadWaiting(tabId) {
  const url = uncommitted.get(tabId);
  uncommitted.delete(tabId);
  if (url) {
    void load(tabId, url);
  }
}

function navigationStarted(details) {
  if (GECKO && details.frameId === 0) {
    uncommitted.set(details.tabId, null);
  }
  reportNavigation(details);
}

function navigationEnded(details) {
  if (details.frameId === 0 && uncommitted.has(details.tabId)) {
    loadWaiting(details.tabId);
  }
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
api.webNavigation.onBeforeNavigate.addListener(navigationStarted);
api.webNavigation.onCommitted.addListener(navigationEnded);
api.webNavigation.onErrorOccurred.addListener(navigationEnded);
// Only Firefox may hold a request; Chromium holds none for an extension of this kind.
const holding = GECKO && api.webRequest !== undefined;
if (holding) {
  api.webRequest.onBeforeRequest.addListener(holdNavigation,
                                             { urls: ["<all_urls>"], types: ["main_frame"] },
                                             ["blocking"]);
}
api.runtime.onStartup.addListener(() => connect());
api.runtime.onInstalled.addListener(() => connect());

setInterval(() => {
  if (port === null) {
    connect();
  } else {
    refreshPrivateAccess().then(report);
  }
}, HEARTBEAT_MS);

connect();
