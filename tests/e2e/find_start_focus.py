"""Finds Quorel's "Start Focus" over AT-SPI, enabled, and presses it; then waits for "Strict
Locked" and "Reset" to read as disabled, and checks that a press on "Strict Locked" does not
undo the strict countdown."""
import sys
import time

from quorel_atspi import find_app, find_button, press, usable, wait_for

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

press(locked)
if find_button(app, "Start Focus") is not None or find_button(app, "Strict Locked") is None:
    sys.exit('"Strict Locked" gave way to a press during a strict countdown')
print('"Start Focus" found enabled and pressed over AT-SPI; "Strict Locked" and "Reset" '
      'read as disabled, and the countdown holds')
