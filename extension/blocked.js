// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Names the blocked site on the page, but only when the address gives a host name: anything
// else someone put in the address is not repeated.
"use strict";

function hostName(text) {
  if (!text || text.length > 253) {
    return "";
  }
  let url;
  try {
    url = new URL("http://" + text + "/");
  } catch (e) {
    return "";
  }
  const plain = url.host === url.hostname && url.pathname === "/" && !url.username &&
                !url.password && !url.search && !url.hash;
  // The parser writes an international name in the letters DNS uses.
  if (!plain || !/^[a-z0-9-]+(\.[a-z0-9-]+)*$/.test(url.hostname)) {
    return "";
  }
  return text.toLowerCase();
}

const name = hostName(new URLSearchParams(location.search).get("site"));
if (name) {
  const site = document.createElement("span");
  site.className = "site";
  site.textContent = name;
  document.getElementById("line").replaceChildren(site, " is blocked while you focus.");
}

// Tells the extension when the page first showed, so that the time from a blocked address to this
// page is read on the page itself.
new PerformanceObserver((entries, observer) => {
  const painted = entries.getEntriesByName("first-contentful-paint")[0];
  if (painted) {
    observer.disconnect();
    const api = globalThis.browser ?? globalThis.chrome;
    const at = Math.round(performance.timeOrigin + painted.startTime);
    api.runtime.sendMessage({ type: "shown", at }).catch(() => {});
  }
}).observe({ type: "paint", buffered: true });
