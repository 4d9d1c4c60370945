# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""Switches an add-on off in a running Firefox, as its toggle in about:addons does, through the
Marionette remote protocol (Firefox started with --marionette --remote-allow-system-access and
marionette.port set).
    firefox_addon_off.py PORT ADDON_ID"""
import json
import socket
import sys


def read(stream):
    length = b""
    while not length.endswith(b":"):
        length += stream.recv(1)
    size = int(length[:-1])
    body = b""
    while len(body) < size:
        body += stream.recv(size - len(body))
    return json.loads(body)


def call(stream, number, command, parameters):
    body = json.dumps([0, number, command, parameters]).encode()
    stream.sendall(b"%d:%s" % (len(body), body))
    _, answered, error, _ = read(stream)
    assert answered == number
    if error:
        sys.exit("%s failed: %s" % (command, error))


port, addon = int(sys.argv[1]), sys.argv[2]
with socket.create_connection(("127.0.0.1", port), timeout=20) as stream:
    read(stream)  # the greeting
    call(stream, 1, "WebDriver:NewSession", {})
    call(stream, 2, "Marionette:SetContext", {"value": "chrome"})
    # Not waited for: the window the script runs in may be one the add-on takes with it.
    call(stream, 3, "WebDriver:ExecuteScript", {"script": """
        const { AddonManager } = ChromeUtils.importESModule(
            "resource://gre/modules/AddonManager.sys.mjs");
        AddonManager.getAddonByID(arguments[0]).then((addon) => addon.disable());
    """, "args": [addon]})
