# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later

"""Finds Quorel's "Start Focus" over AT-SPI, enabled, and presses it; then waits for "Strict
Locked" and "Reset" to read as disabled and for the strict banner to be heard, checks that a
press on "Strict Locked" does not undo the strict countdown, and that a switch of a screen opened
only now (its controls made while a screen reader listens) is heard by name and as disabled."""
import sys
import time

import pyatspi

from quorel_atspi import (STRICT_BANNER, find_app, find_button, find_named, press, showing,
                          usable, wait_for)

deadline = time.time() + 30
app = find_app(deadline)
if app is None:
    sys.exit("Quorel is not on the accessibility bus")

start = wait_for(lambda: find_button(app, "Start Focus"), deadline)
if start is None:
    sys.exit('no push button named "Start Focus"')
if usable(start) != (True, True):
    sys.exit('"Start Focus" is not sensitive and enabled before a session: %s'
             % (usable(start),))
press(start)

locked = wait_for(lambda: find_button(app, "Strict Locked"), deadline)
if locked is None:
    sys.exit('pressing "Start Focus" did not lead to "Strict Locked"')


def both_disabled():
    buttons = [find_button(app, name) for name in ("Strict Locked", "Reset")]
    return all(b is not None and usable(b) == (False, False) for b in buttons)


if not wait_for(both_disabled, deadline):
    sys.exit('"Strict Locked" and "Reset" still read as sensitive or enabled: %s'
             % [(name, usable(find_button(app, name))) for name in ("Strict Locked", "Reset")])

banner = wait_for(lambda: find_named(app, STRICT_BANNER), deadline)
if banner is None or not showing(banner):
    sys.exit("the strict banner is not heard during a strict countdown")

press(locked)
if find_button(app, "Start Focus") is not None or find_button(app, "Strict Locked") is None:
    sys.exit('"Strict Locked" gave way to a press during a strict countdown')
press(find_named(app, "Blockers"))
guard = wait_for(lambda: find_named(app, "Block YouTube Shorts"), deadline)
if guard is None or guard.getRole() != pyatspi.ROLE_CHECK_BOX or usable(guard) != (False, False):
    sys.exit('no disabled check box "Block YouTube Shorts" on Blockers during a strict countdown')
print('"Start Focus" found enabled and pressed over AT-SPI; "Strict Locked" and "Reset" '
      'read as disabled, the countdown holds, and so do the switches on Blockers')
