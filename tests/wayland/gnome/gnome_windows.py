"""The windows of a GNOME Shell session, through the tests' window tools extension.

  shown APP_ID     exit 0 when a window of APP_ID is on screen (not minimised)
  hidden APP_ID    exit 0 when APP_ID has windows and all are minimised
  titled TITLE     exit 0 when a window titled TITLE is on screen
  activate APP_ID  brings the first window of APP_ID to the front
  measure APP_ID N COMMAND...
                   N times: starts COMMAND (a client of APP_ID), and times from the shell
                   reporting its window in front to the window minimised; prints the delays (ms)
"""
import subprocess
import sys
import time

from gi.repository import Gio, GLib

NAME = "app.quorel.WindowTools"
PATH = "/app/quorel/WindowTools"
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


def measure(app_id, rounds, command):
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
    for client in clients:
        client.terminate()
    delays_ms = sorted(round(d) for d in delays)
    print("activation to hidden, ms:", " ".join(str(round(d)) for d in delays),
          "; median", delays_ms[len(delays_ms) // 2])
    return 0


if __name__ == "__main__":
    if sys.argv[1] == "measure":
        sys.exit(measure(sys.argv[2], int(sys.argv[3]), sys.argv[4:]))
    if sys.argv[1] == "activate":
        sys.exit(0 if activate(sys.argv[2]) else 1)
    sys.exit(0 if query(sys.argv[1], sys.argv[2]) else 1)
