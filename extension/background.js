// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Quorel browser link. Tells the Quorel app (through its native-messaging host) which tab is in
// front of the last focused window, loads an address in a tab when the app asks for it, and
// keeps the rules the app sends in force in the browser itself.
// Plain script, no build step: the same file runs as Chromium's service worker and as Firefox's
// background page.
"use strict";

const api = globalThis.browser ?? globalThis.chrome;
const HOST = "app.quorel.browser_host";
// The release of the messages we exchange with the app (browserLinkVersion on its side).
const LINK_VERSION = 4;
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

// The app's rules, applied by the browser before any request is made: so a blocked site is
// never fetched, in frames and background tabs too, and stays blocked while the app is stopped
// or its host gone. Dynamic rules, since they outlive a browser restart (the app may not be
// there to send them again); the focus session's sites lift at its end by themselves, through
// an alarm and on every start, whether or not the app says so.
const RULES = api.declarativeNetRequest;
const FRAMES = ["main_frame", "sub_frame"];
const HOST_NAME = /^[a-z0-9_-]{1,63}(\.[a-z0-9_-]{1,63})*$/;
const MAX_RULE_HOSTS = 4000;
// Rule ids: the lasting rules below SITE_RULES, the focus session's sites from it on.
const SHORTS_RULE = 1;
const REELS_RULE = 2;
const ADULT_RULES = 100;
const SITE_RULES = 100000;
const LIFT_ALARM = "lift-sites";
let liftTimer = null;
// The hosts our rules send to the blocked page, and the address each tab is on its way to until
// it commits: a tab on its way to such a host gets there by the rules, and the app's own
// redirect of it is not made a second time (Firefox would make it wait for the first).
let hostsInForce = new Set();
const goingTo = new Map();
// Rule changes run one after another, so that an older set never lands after a newer one.
let ruleWork = Promise.resolve();

function inTurn(work) {
  ruleWork = ruleWork.then(work, work);
  return ruleWork;
}

function ruleHosts(list) {
  if (!Array.isArray(list)) {
    return [];
  }
  const hosts = new Set();
  for (const host of list) {
    if (typeof host === "string" && host.length <= 253 && HOST_NAME.test(host)) {
      hosts.add(host);
    }
  }
  return [...hosts].slice(0, MAX_RULE_HOSTS);
}

function siteRule(id, priority, host) {
  return {
    id,
    priority,
    action: { type: "redirect",
              redirect: { extensionPath: "/blocked.html?site=" + encodeURIComponent(host) } },
    condition: { requestDomains: [host], resourceTypes: FRAMES },
  };
}

// A word of a path as a server reads it: any letter case, each letter also percent-encoded.
function pathWord(word) {
  return [...word].map((c) => "(" + c + "|%" + c.charCodeAt(0).toString(16) + ")").join("");
}

// Pages whose path starts with one of words, on domain or below it, however many slashes lead.
function sectionRule(id, domain, words, home) {
  const host = "([^/?#]*\\.)?" + domain.replaceAll(".", "\\.") + "\\.?(:[0-9]+)?";
  const path = "/+(" + words.map(pathWord).join("|") + ")([/?#]|$)";
  return {
    id,
    priority: 2,
    action: { type: "redirect", redirect: { url: home } },
    condition: { regexFilter: "^https?://" + host + path, isUrlFilterCaseSensitive: false,
                 resourceTypes: FRAMES },
  };
}

async function installRules(message) {
  const until = Number.isFinite(message.sitesUntil) ? message.sitesUntil : 0;
  const sitesLive = until > Date.now();
  const addRules = [];
  if (message.shorts === true) {
    addRules.push(sectionRule(SHORTS_RULE, "youtube.com", ["shorts"], "https://www.youtube.com/"));
  }
  if (message.reels === true) {
    addRules.push(sectionRule(REELS_RULE, "instagram.com", ["reels", "reel"],
                              "https://www.instagram.com/"));
  }
  ruleHosts(message.adultSites).forEach((host, i) => addRules.push(siteRule(ADULT_RULES + i, 4, host)));
  if (sitesLive) {
    ruleHosts(message.sites).forEach((host, i) => addRules.push(siteRule(SITE_RULES + i, 3, host)));
  }
  const before = await RULES.getDynamicRules();
  await RULES.updateDynamicRules({ removeRuleIds: before.map((r) => r.id), addRules });
  readHostsInForce(addRules);
  await api.storage.local.set({ sitesUntil: sitesLive ? until : 0 });
  scheduleLift(sitesLive ? until : 0);
  return addRules.length;
}

function applyRules(message) {
  return inTurn(async () => {
    try {
      post({ type: "applied", ok: true, rules: await installRules(message) });
    } catch (e) {
      console.warn("Quorel: the blocking rules were not taken:", e);
      post({ type: "applied", ok: false, rules: 0 });
    }
  });
}

function scheduleLift(until) {
  clearTimeout(liftTimer);
  liftTimer = null;
  void api.alarms.clear(LIFT_ALARM);
  if (until > 0) {
    // The timer is on time while we run; the alarm wakes a worker the browser put to sleep.
    liftTimer = setTimeout(liftIfEnded, Math.min(until - Date.now(), 0x7fffffff));
    api.alarms.create(LIFT_ALARM, { when: until });
  }
}

function readHostsInForce(rules) {
  hostsInForce = new Set(rules.flatMap((r) => r.condition.requestDomains || []));
}

// Whether our rules send url's host (or a name it lies below) to the blocked page.
function inForce(url) {
  let host;
  try {
    host = new URL(url).hostname.replace(/\.$/, "");
  } catch (e) {
    return false;
  }
  for (let name = host; name; name = name.slice(name.indexOf(".") + 1)) {
    if (hostsInForce.has(name)) {
      return true;
    }
    if (!name.includes(".")) {
      break;
    }
  }
  return false;
}

// The focus session's sites go once its end has come.
function liftIfEnded() {
  return inTurn(async () => {
    try {
      const { sitesUntil } = await api.storage.local.get("sitesUntil");
      if (!sitesUntil || sitesUntil > Date.now()) {
        if (sitesUntil) {
          scheduleLift(sitesUntil);
        }
        return;
      }
      const rules = await RULES.getDynamicRules();
      const sites = rules.filter((r) => r.id >= SITE_RULES);
      await RULES.updateDynamicRules({ removeRuleIds: sites.map((r) => r.id) });
      readHostsInForce(rules.filter((r) => r.id < SITE_RULES));
      await api.storage.local.set({ sitesUntil: 0 });
    } catch (e) {
      console.warn("Quorel: the focus session's sites could not be lifted:", e);
    }
  });
}

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
  // What our rules send to the blocked page needs no verdict.
  if (port === null || lastFront === null || details.tabId !== lastFront.tabId ||
      inForce(details.url)) {
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
  if (message && message.type === "rules") {
    void applyRules(message);
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
    const going = heldIn(message.tabId)?.url ?? goingTo.get(message.tabId);
    if (typeof message.blockedSite === "string" && inForce(going)) {
      // Our rules send that navigation to the blocked page as its request starts: a request we
      // hold goes on to meet them.
      for (const [hold, entry] of held) {
        if (entry.tabId === message.tabId) {
          settle(hold, {});
        }
      }
      ok = true;
    } else if (await already(message.tabId, url)) {
      ok = true; // our rules sent it there already
    } else if (sendHeld(message.tabId, url) && url.startsWith("http")) {
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

async function already(tabId, url) {
  try {
    const tab = await api.tabs.get(tabId);
    return (tab.pendingUrl || tab.url) === url;
  } catch (e) {
    return false;
  }
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
  if (details.frameId === 0) {
    goingTo.set(details.tabId, details.url);
  }
  if (GECKO && details.frameId === 0) {
    uncommitted.set(details.tabId, null);
  }
  reportNavigation(details);
}

function navigationEnded(details) {
  if (details.frameId === 0) {
    goingTo.delete(details.tabId);
  }
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
api.tabs.onRemoved.addListener((tabId) => goingTo.delete(tabId));
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
// Our blocked page tells when it first showed.
api.runtime.onMessage.addListener((message, sender) => {
  if (sender.id === api.runtime.id && message?.type === "shown" && Number.isFinite(message.at)) {
    post({ type: "shown", at: message.at });
  }
});
api.alarms.onAlarm.addListener((alarm) => {
  if (alarm.name === LIFT_ALARM) {
    void liftIfEnded();
  }
});
api.runtime.onStartup.addListener(() => connect());
api.runtime.onInstalled.addListener(() => connect());

setInterval(() => {
  if (port === null) {
    connect();
  } else {
    refreshPrivateAccess().then(report);
  }
}, HEARTBEAT_MS);

RULES.getDynamicRules().then(readHostsInForce, () => {});
void liftIfEnded();
connect();
