#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""A scripted org.freedesktop.ScreenSaver on the session bus, for the app's end-to-end test of
time away: it starts active (locked) or not, as its argument says, and then reads "lock" and
"unlock" lines from standard input, answering GetActive and sending ActiveChanged to match."""
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

NAME = "org.freedesktop.ScreenSaver"


class ScreenSaver(dbus.service.Object):
    def __init__(self, bus, active):
        super().__init__(bus, "/org/freedesktop/ScreenSaver")
        self.active = active

    @dbus.service.method(NAME, out_signature="b")
    def GetActive(self):
        return self.active

    @dbus.service.signal(NAME, signature="b")
    def ActiveChanged(self, active):
        pass

    def set(self, active):
        self.active = active
        self.ActiveChanged(active)


def main():
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    saver = ScreenSaver(bus, sys.argv[1] == "locked")
    name = dbus.service.BusName(NAME, bus)
    loop = GLib.MainLoop()

    def command(channel, condition):
        line = channel.readline()
        if not line:
            loop.quit()
            return False
        saver.set(line.strip() == "lock")
        print(f"screensaver: {line.strip()}", flush=True)
        return True

    GLib.io_add_watch(GLib.IOChannel.unix_new(sys.stdin.fileno()), GLib.IO_IN | GLib.IO_HUP,
                      command)
    print("screensaver: ready", flush=True)
    loop.run()
    del name


if __name__ == "__main__":
    main()
