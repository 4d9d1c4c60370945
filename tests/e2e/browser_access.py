# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later

"""Over AT-SPI: opens Blockers, presses "Test Browser Access" and waits for the hint that no
browser can be reached, as it must be with no extension connected and no debugging port."""
import sys
import time

from quorel_atspi import find_app, find_button, find_named, press, wait_for

HINT = ("Install the Quorel browser extension (or start the browser with "
        "--remote-debugging-port) to let Quorel guard websites.")


def showing(node):
    import pyatspi
    return node is not None and node.getState().contains(pyatspi.STATE_SHOWING)


deadline = time.time() + 30
app = find_app(deadline)
if app is None:
    sys.exit("Quorel is not on the accessibility bus")
tab = wait_for(lambda: find_named(app, "Blockers"), deadline)
if tab is None:
    sys.exit('no "Blockers" tab')
press(tab)
button = wait_for(lambda: find_button(app, "Test Browser Access"), deadline)
if button is None:
    sys.exit('no push button named "Test Browser Access"')
if showing(find_named(app, HINT)):
    sys.exit("the hint shows before any browser was tried")
press(button)
if not wait_for(lambda: showing(find_named(app, HINT)), deadline):
    sys.exit('"Test Browser Access" did not raise the hint')
print('"Test Browser Access" raised the hint with no way into any browser')
