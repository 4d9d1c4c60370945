# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later

"""Quorel as a screen reader meets it, over AT-SPI. Walks every screen of the main window, with
each pop-up list, menu and sheet its controls open, and fails on any showing control without a
name and on anything in the tree that is not on screen; on Settings a switch must say whether it
is on, before and after a press. With --control-window, walks the tray's control window instead,
once it is open."""
import subprocess
import sys
import time

import pyatspi

from quorel_atspi import (STRICT_BANNER, descendants, find_app, find_button, find_named, press,
                          showing, unheard, wait_for)

# Push buttons that open a menu or a sheet, which Escape closes again.
OPENERS = ("Add App", "Preview Block Shield")
SWITCH = "Auto-start 5m break after focus"


def frame_with(app, predicate):
    return next((f for f in app if f is not None and predicate(f)), None)


def has_state(node, state):
    return node.getState().contains(state)


def node_count(root):
    return sum(1 for _ in descendants(root))


def note(faults, where, found):
    """A fault met on several screens is told once, with the first."""
    for fault in found:
        faults.setdefault(fault, where)


def walk_popups(window, screen, faults, deadline):
    """Opens each list box, menu and sheet of the screen in turn, walks what it shows, and closes
    it with Escape, as a keyboard user would."""
    openers = [n for n in descendants(window) if showing(n) and (
        n.getRole() == pyatspi.ROLE_COMBO_BOX
        or (n.getRole() == pyatspi.ROLE_PUSH_BUTTON and n.name in OPENERS))]
    for opener in openers:
        closed = node_count(window)
        if opener.getRole() == pyatspi.ROLE_COMBO_BOX:
            action = opener.queryAction()
            names = [action.getName(i) for i in range(action.nActions)]
            action.doAction(names.index("SetFocus"))
            subprocess.run(["xdotool", "key", "space"], check=True)
        else:
            press(opener)
        if not wait_for(lambda: node_count(window) > closed, deadline):
            faults["%r opened nothing" % opener.name] = screen
            continue
        note(faults, "%s with %r open" % (screen, opener.name), unheard(window))
        subprocess.run(["xdotool", "key", "Escape"], check=True)
        if not wait_for(lambda: node_count(window) <= closed, deadline):
            sys.exit("%s: Escape left %r open" % (screen, opener.name))


def check_switch_state(window, deadline):
    switch = find_named(window, SWITCH)
    if switch is None or switch.getRole() != pyatspi.ROLE_CHECK_BOX:
        return ["no check box named %r" % SWITCH]
    faults = []
    was = has_state(switch, pyatspi.STATE_CHECKED)
    for expected in (not was, was):
        press(switch)
        if not wait_for(lambda: has_state(switch, pyatspi.STATE_CHECKED) == expected, deadline):
            faults.append("%r still reads %s after a press" % (
                SWITCH, "checked" if not expected else "unchecked"))
            break
    return faults


def open_tab(sidebar, tab, deadline):
    row = find_named(sidebar, tab)
    press(row)
    if not wait_for(lambda: has_state(row, pyatspi.STATE_SELECTED), deadline):
        sys.exit("the %r tab did not open" % tab)


def scroll_page(down):
    """Scrolls the screen's page to its end (or back to its top) with the mouse wheel, as a user
    would, so that what lies below the fold is walked too."""
    window = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Quorel$"],
                            capture_output=True, text=True).stdout.split()
    if not window:
        return
    subprocess.run(["xdotool", "mousemove", "--window", window[0], "500", "400",
                    "click", "--repeat", "30", "--delay", "10", "5" if down else "4"], check=True)
    time.sleep(0.3)


def walk_main_window(app, deadline):
    window = wait_for(lambda: frame_with(app, lambda f: find_named(f, "Sidebar")), deadline)
    if window is None:
        sys.exit("no main window with a sidebar")
    sidebar = find_named(window, "Sidebar")
    faults = {}
    tabs = [row.name for row in sidebar if row is not None]
    for tab in tabs:
        open_tab(sidebar, tab, deadline)
        note(faults, tab, unheard(window))
        walk_popups(window, tab, faults, deadline)
        scroll_page(down=True)
        note(faults, tab + ", scrolled to its end", unheard(window))
        scroll_page(down=False)
        if tab == "Settings":
            note(faults, tab, check_switch_state(window, deadline))
    if find_named(app, STRICT_BANNER) is not None:
        faults["the strict banner is in the tree while no session runs"] = "idle"
    open_tab(sidebar, tabs[0], deadline)  # as the window was
    return faults


def walk_control_window(app, deadline):
    def shown(frame):
        button = find_button(frame, "Open Quorel")
        return button is not None and showing(button)

    window = wait_for(lambda: frame_with(app, shown), deadline)
    if window is None:
        sys.exit('no control window with "Open Quorel" showing')
    return dict.fromkeys(unheard(window), "control window")


if __name__ == "__main__":
    deadline = time.time() + 60
    app = find_app(deadline)
    if app is None:
        sys.exit("Quorel is not on the accessibility bus")
    if sys.argv[1:] == ["--control-window"]:
        faults = walk_control_window(app, deadline)
    else:
        faults = walk_main_window(app, deadline)
    if faults:
        sys.exit("\n".join("%s: %s" % (where, fault) for fault, where in faults.items()))
    print("every showing control has a name, and nothing hidden is in the tree")
