// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Reads a JSON list of addresses on stdin with Node's URL (a WHATWG parser of its own) and
// writes, for each, its scheme, host, port and path, or null where it is not an address.
"use strict";

let text = "";
process.stdin.setEncoding("utf8");
process.stdin.on("data", (chunk) => { text += chunk; });
process.stdin.on("end", () => {
  const read = JSON.parse(text).map((address) => {
    let url;
    try {
      url = new URL(address);
    } catch (e) {
      return null;
    }
    return {
      scheme: url.protocol.slice(0, -1),
      host: url.hostname,
      port: url.port === "" ? -1 : Number(url.port),
      path: url.pathname,
    };
  });
  process.stdout.write(JSON.stringify(read));
});
