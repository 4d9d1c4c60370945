# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later

"""The windows of a GNOME Shell session, through the tests' window tools extension, and what
another program than Quorel gets from Quorel's own extension.

  shown APP_ID     exit 0 when a window of APP_ID is on screen (not minimised)
  hidden APP_ID    exit 0 when APP_ID has windows and all are minimised
  titled TITLE     exit 0 when a window titled TITLE is on screen
  activate APP_ID  brings the first window of APP_ID to the front
  measure APP_ID N LOG COMMAND...
                   N times: starts COMMAND (a client of APP_ID), and times from the shell
                   reporting its window in front to the window minimised; prints the delays (ms).
                   Each hide must be the activation watcher's, as Quorel's LOG says (run with
                   QT_LOGGING_RULES=quorel.blocking.debug=true), not the 0.3 s guard's
  refused          exit 0 when Quorel's extension refuses this program every method
  answered [FILE]  exit 0 when Quorel's extension answers this program; FILE is removed first
                   (this program's own executable, to run as one replaced while it runs)
  overhear         until SIGTERM: asks Quorel's extension to be told the window in front, and
                   counts the focus signals that reach this program from it and from the tools;
                   exit 0 when none came from Quorel's extension and some from the tools
"""
import os
import signal
import subprocess
import sys
import time

from gi.repository import Gio, GLib

NAME = "app.quorel.WindowTools"
PATH = "/app/quorel/WindowTools"
# Quorel's extension: its bus name, object path and interface, from the file it reads them from.
with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "..",
                       "gnome-shell-extension", "app.quorel.GnomeShell.xml"), "rb") as contract:
    _node = Gio.DBusNodeInfo.new_for_xml(contract.read().decode())
QUOREL = (_node.interfaces[0].name, _node.path, _node.interfaces[0].name)
ACCESS_DENIED = "org.freedesktop.DBus.Error.AccessDenied"
bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)


def windows():
    try:
        reply = bus.call_sync(NAME, PATH, NAME, "Windows", None,
                              GLib.VariantType("(aa{sv})"), Gio.DBusCallFlags.NONE, 1000, None)
    except GLib.Error:
        return []
    return reply.unpack()[0]


def call(method, args):
    bus.call_sync(NAME, PATH, NAME, method, args, None, Gio.DBusCallFlags.NONE, 1000, None)


def call_quorel(method, args=None):
    """None when answered, else the D-Bus error name."""
    try:
        bus.call_sync(*QUOREL, method, args, None, Gio.DBusCallFlags.NONE, 2000, None)
        return None
    except GLib.Error as error:
        return Gio.DBusError.get_remote_error(error) or error.message


def refused():
    errors = {method: call_quorel(method) for method in ("Windows", "Subscribe")}
    errors["MinimizeWindows"] = call_quorel("MinimizeWindows", GLib.Variant("(at)", ([],)))
    wrong = {m: e for m, e in errors.items() if e != ACCESS_DENIED}
    if wrong:
        print("not refused with AccessDenied:", wrong)
    return not wrong


def answered(removed):
    if removed:
        os.unlink(removed)
    error = call_quorel("Windows")
    if error:
        print("Windows failed:", error)
    return error is None


def overhear():
    counts = {"quorel": 0, "tools": 0}

    def counter(key):
        def on_signal(*_args):
            counts[key] += 1
        return on_signal

    bus.signal_subscribe(QUOREL[0], QUOREL[2], "FocusChanged", QUOREL[1], None,
                         Gio.DBusSignalFlags.NONE, counter("quorel"))
    bus.signal_subscribe(NAME, NAME, "FocusChanged", PATH, None, Gio.DBusSignalFlags.NONE,
                         counter("tools"))
    # Refused, it must not be signed up all the same.
    subscribed = call_quorel("Subscribe")
    loop = GLib.MainLoop()
    GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGTERM, loop.quit)
    loop.run()
    print("focus signals overheard: from Quorel's extension", counts["quorel"],
          "from the window tools", counts["tools"], "; Subscribe:", subscribed or "answered")
    return subscribed == ACCESS_DENIED and counts["quorel"] == 0 and counts["tools"] > 0


def activate(app_id):
    found = [w for w in windows() if w.get("wmClass") == app_id]
    if found:
        call("ActivateWindow", GLib.Variant("(t)", (found[0]["id"],)))
    return bool(found)


def query(what, arg):
    found = [w for w in windows() if w.get("title" if what == "titled" else "wmClass") == arg]
    shown = any(not w["minimized"] for w in found)
    if what == "hidden":
        return bool(found) and not shown
    return shown


def watcher_hid(log, pid, app_id):
    with open(log, errors="replace") as lines:
        return f'hidden as it came to the front: "pid:{pid}:{app_id}"' in lines.read()


def measure(app_id, rounds, log, command):
    loop = GLib.MainLoop()
    seen = set(w["id"] for w in windows())
    focused = []

    def on_focus(_conn, _sender, _path, _iface, _signal, params):
        window = params.unpack()[0]
        if window.get("wmClass") == app_id and window["id"] not in seen:
            seen.add(window["id"])
            focused.append((window["id"], time.monotonic()))
            loop.quit()

    bus.signal_subscribe(NAME, NAME, "FocusChanged", PATH, None, Gio.DBusSignalFlags.NONE,
                         on_focus)
    clients, delays = [], []
    for _ in range(rounds):
        clients.append(subprocess.Popen(command, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL))
        # New windows may open behind the others: each is brought to the front once it shows,
        # and asked again while it is not (a window not yet mapped ignores it).
        deadline = time.monotonic() + 10
        asked = {}
        while not focused and time.monotonic() < deadline:
            now = time.monotonic()
            for w in windows():
                if w.get("wmClass") == app_id and w["id"] not in seen and \
                        now - asked.get(w["id"], 0) > 0.25:
                    asked[w["id"]] = now
                    call("ActivateWindow", GLib.Variant("(t)", (w["id"],)))
            timeout = GLib.timeout_add(20, loop.quit)
            loop.run()
            if focused:
                GLib.source_remove(timeout)  # still pending: the signal ended the wait
        if not focused:
            print("a new client never came to the front; delays so far (ms):", delays)
            return 1
        window, begin = focused.pop()
        deadline = begin + 5
        while time.monotonic() < deadline:
            if any(w["id"] == window and w["minimized"] for w in windows()):
                delays.append((time.monotonic() - begin) * 1000)
                break
            time.sleep(0.002)
        else:
            print("a blocked client in front was not minimised within 5 s")
            return 1
        if not watcher_hid(log, clients[-1].pid, app_id):
            print(f"round {len(delays)}: the client was minimised, but not as it came to the front")
            return 1
    for client in clients:
        client.terminate()
    delays_ms = sorted(round(d) for d in delays)
    print("activation to hidden, ms:", " ".join(str(round(d)) for d in delays),
          "; median", delays_ms[len(delays_ms) // 2])
    return 0


if __name__ == "__main__":
    if sys.argv[1] == "measure":
        sys.exit(measure(sys.argv[2], int(sys.argv[3]), sys.argv[4], sys.argv[5:]))
    if sys.argv[1] == "activate":
        sys.exit(0 if activate(sys.argv[2]) else 1)
    if sys.argv[1] == "refused":
        sys.exit(0 if refused() else 1)
    if sys.argv[1] == "answered":
        sys.exit(0 if answered(sys.argv[2] if len(sys.argv) > 2 else None) else 1)
    if sys.argv[1] == "overhear":
        sys.exit(0 if overhear() else 1)
    sys.exit(0 if query(sys.argv[1], sys.argv[2]) else 1)
