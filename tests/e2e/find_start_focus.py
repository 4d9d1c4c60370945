"""Finds Quorel's "Start Focus" over AT-SPI, enabled, and presses it; then waits for "Strict
Locked" and "Reset" to read as disabled, and checks that a press on "Strict Locked" does not
undo the strict countdown."""
import sys
import time

import pyatspi


def find_app(deadline):
    while time.time() < deadline:
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            if app is not None and app.name.lower() == "quorel":
                return app
        time.sleep(0.2)
    return None


def find_button(root, name):
    return pyatspi.findDescendant(
        root, lambda a: a is not None and a.name == name
        and a.getRole() == pyatspi.ROLE_PUSH_BUTTON)


def wait_for(predicate, deadline):
    while time.time() < deadline:
        found = predicate()
        if found:
            return found
        time.sleep(0.2)
    return None


def usable(button):
    """What a screen reader announces: both states, or the button is heard as disabled."""
    states = button.getState()
    return (states.contains(pyatspi.STATE_SENSITIVE),
            states.contains(pyatspi.STATE_ENABLED))


def press(button):
    action = button.queryAction()
    names = [action.getName(i).lower() for i in range(action.nActions)]
    # DoAction answers once the app has handled the press.
    action.doAction(next((i for i, n in enumerate(names) if n in ("press", "click")), 0))


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
