// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

// A test's hand on chrome://extensions: the Quorel extension switched off mid-focus.
"use strict";

chrome.tabs.onUpdated.addListener((tabId, change) => {
  if (change.url?.endsWith("#switch-off-quorel")) {
    chrome.management.getAll().then((extensions) => {
      const quorel = extensions.find((e) => e.name === "Quorel Browser Link");
      return chrome.management.setEnabled(quorel.id, false);
    });
  }
});
