// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The extension's own rules, in Node: background.js runs against a browser API played by hand,
// with a clock the test moves, so what the browser would be told (and when it lets the focus
// session's sites go) is read directly.
//   node tst_extensionrules.js extension/background.js
"use strict";

const assert = require("node:assert/strict");
const fs = require("node:fs");
const vm = require("node:vm");

const event = () => ({ addListener() {} });
const settled = () => new Promise((resolve) => setImmediate(resolve));

// One browser: its dynamic rules, storage and timers, and the port to the app.
function browser({ rules = [], stored = {}, now = 1_000_000 } = {}) {
  const b = { rules, stored, now, timers: [], posted: [], onMessage: null, alarms: new Map() };
  const chrome = {
    runtime: {
      getURL: (path) => "chrome-extension://id/" + path,
      connectNative: () => ({
        onMessage: { addListener: (f) => { b.onMessage = f; } },
        onDisconnect: event(),
        postMessage: (m) => b.posted.push(m),
      }),
      onStartup: event(),
      onInstalled: event(),
      onMessage: event(),
      id: "id",
    },
    extension: { isAllowedIncognitoAccess: async () => true },
    windows: { getLastFocused: async () => { throw new Error("no window"); }, onFocusChanged: event() },
    tabs: { onActivated: event(), onUpdated: event(), onRemoved: event(), get: async () => ({}) },
    webNavigation: { onBeforeNavigate: event(), onCommitted: event(), onErrorOccurred: event() },
    alarms: {
      create: (name, info) => b.alarms.set(name, info.when),
      clear: async (name) => b.alarms.delete(name),
      onAlarm: event(),
    },
    storage: {
      local: {
        get: async (key) => ({ [key]: b.stored[key] }),
        set: async (values) => Object.assign(b.stored, values),
      },
    },
    declarativeNetRequest: {
      getDynamicRules: async () => b.rules.map((r) => ({ ...r })),
      updateDynamicRules: async ({ removeRuleIds = [], addRules = [] }) => {
        const ids = new Set(addRules.map((r) => r.id));
        assert.equal(ids.size, addRules.length, "rule ids repeat");
        b.rules = b.rules.filter((r) => !removeRuleIds.includes(r.id)).concat(addRules);
      },
    },
  };
  const context = vm.createContext({
    chrome, console, URL, Set, Map, Promise,
    setTimeout: (f, ms) => b.timers.push({ at: b.now + ms, f }),
    clearTimeout: () => {},
    setInterval: () => {},
  });
  vm.runInContext("Date.now = () => __now();", Object.assign(context, { __now: () => b.now }));
  vm.runInContext(fs.readFileSync(process.argv[2], "utf8"), context);
  b.send = async (message) => {
    b.onMessage(message);
    await settled();
  };
  // Moves the clock, running the timers that come due.
  b.advance = async (ms) => {
    b.now += ms;
    for (const timer of b.timers.filter((t) => t.at <= b.now)) {
      b.timers.splice(b.timers.indexOf(timer), 1);
      timer.f();
    }
    await settled();
  };
  b.redirects = () => Object.fromEntries(b.rules.filter((r) => r.condition.requestDomains)
    .map((r) => [r.condition.requestDomains.join(), r.action.redirect.extensionPath]));
  return b;
}

const rules = (fields) => ({ type: "rules", sites: [], sitesUntil: 0, adultSites: [],
                             shorts: false, reels: false, ...fields });

const tests = {
  // Each host to the blocked page naming it, in top frames and frames; what is no host name in
  // the letters a browser takes is left out, so that it cannot sink the whole set.
  async hostsGoToTheBlockedPage() {
    const b = browser();
    await settled();
    await b.send(rules({ sites: ["example.org", "xn--bcher-kva.de", "Example.ORG", "a/b", "", 7,
                                 "x".repeat(64) + ".org", "example.org"],
                         sitesUntil: b.now + 60_000, adultSites: ["pornhub.com"] }));
    assert.deepEqual(b.redirects(), {
      "pornhub.com": "/blocked.html?site=pornhub.com",
      "example.org": "/blocked.html?site=example.org",
      "xn--bcher-kva.de": "/blocked.html?site=xn--bcher-kva.de",
    });
    for (const rule of b.rules) {
      assert.deepEqual([...rule.condition.resourceTypes], ["main_frame", "sub_frame"]);
    }
    // An adult site listed too goes by the adult rule.
    const priority = (host) => b.rules.find((r) => r.condition.requestDomains?.[0] === host).priority;
    assert.ok(priority("pornhub.com") > priority("example.org"));
    assert.deepEqual({ ...b.posted.at(-1) }, { type: "applied", ok: true, rules: 3 });
  },

  // Shorts and Reels by path, any letter case, however many slashes, letters escaped or not;
  // never by letters alone in another host, a query or a longer word.
  async shortsAndReels() {
    const b = browser();
    await settled();
    await b.send(rules({ shorts: true, reels: true }));
    const match = (url) => b.rules.filter((r) => r.condition.regexFilter &&
      new RegExp(r.condition.regexFilter, r.condition.isUrlFilterCaseSensitive ? "" : "i").test(url))
      .map((r) => r.action.redirect.url);
    const shorts = ["https://www.youtube.com/"];
    const reels = ["https://www.instagram.com/"];
    const table = [
      ["https://www.youtube.com/shorts/abc", shorts],
      ["https://youtube.com//SHORTS/abc", shorts],
      ["https://m.youtube.com/shorts", shorts],
      ["https://youtube.com/%73horts/x", shorts],
      ["https://youtube.com.:443/shorts?x=1", shorts],
      ["https://www.youtube.com/shortsfeed", []],
      ["https://www.youtube.com/watch?v=1&next=/shorts/", []],
      ["https://notyoutube.com/shorts/1", []],
      ["https://youtube.com.example.org/shorts/1", []],
      ["https://www.google.com/search?q=youtube.com/shorts/1", []],
      ["https://www.instagram.com/reel/1", reels],
      ["https://instagram.com///Reels/", reels],
      ["https://www.instagram.com/reelsy", []],
      ["https://www.instagram.com/p/1", []],
    ];
    for (const [url, expected] of table) {
      assert.deepEqual(match(url), expected, url);
    }
    await b.send(rules({ reels: true }));
    assert.deepEqual(match("https://www.youtube.com/shorts/abc"), []);
  },

  // The focus session's sites lift at its end with nobody to say so; the adult list stays. A
  // message whose end has passed brings no sites, and a set that comes later replaces them all.
  async sitesLiftAtTheEnd() {
    const b = browser();
    await settled();
    await b.send(rules({ sites: ["example.org"], sitesUntil: b.now + 60_000,
                         adultSites: ["pornhub.com"] }));
    await b.advance(59_000);
    assert.ok("example.org" in b.redirects());
    await b.advance(1_000);
    assert.deepEqual(Object.keys(b.redirects()), ["pornhub.com"]);
    assert.equal(b.stored.sitesUntil, 0);

    await b.send(rules({ sites: ["example.org"], sitesUntil: b.now - 1 }));
    assert.deepEqual(b.redirects(), {});
  },

  // A browser started after the end (the worker or the browser restarted meanwhile) lifts them
  // at once; one started before the end keeps them, and sets its alarm again.
  async aStartAfterTheEndLifts() {
    const before = [{ id: 100, priority: 4, action: { type: "redirect", redirect: {} },
                      condition: { requestDomains: ["pornhub.com"] } },
                    { id: 100000, priority: 3, action: { type: "redirect", redirect: {} },
                      condition: { requestDomains: ["example.org"] } }];
    const late = browser({ rules: before, stored: { sitesUntil: 500 }, now: 1_000 });
    await settled();
    assert.deepEqual(late.rules.map((r) => r.id), [100]);

    const early = browser({ rules: before, stored: { sitesUntil: 5_000 }, now: 1_000 });
    await settled();
    assert.deepEqual(early.rules.map((r) => r.id), [100, 100000]);
    assert.equal(early.alarms.get("lift-sites"), 5_000);
  },
};

(async () => {
  let failed = 0;
  for (const [name, test] of Object.entries(tests)) {
    try {
      await test();
      console.log("PASS", name);
    } catch (e) {
      failed += 1;
      console.log("FAIL", name, e.message);
    }
  }
  process.exitCode = failed ? 1 : 0;
})();
