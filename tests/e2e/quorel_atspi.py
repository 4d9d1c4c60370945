# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later

"""Quorel as a screen reader reaches it, over AT-SPI: find the app, find a control by its
accessible name, press it. Run as a script, it takes its arguments in turn:
    quorel_atspi.py "Start Focus"              presses that push button
    quorel_atspi.py --open Blockers            presses whatever is called so (a tab)
    quorel_atspi.py --wait-for "X is Blocked"  waits until something with that name shows up"""
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


def find_named(root, name):
    return pyatspi.findDescendant(root, lambda a: a is not None and a.name == name)


def wait_for(predicate, deadline):
    while time.time() < deadline:
        found = predicate()
        if found:
            return found
        time.sleep(0.2)
    return None


STRICT_BANNER = ("Strict Mode Active: Early exit and blocklist edits are locked until the timer "
                 "ends.")

# What a user acts on: each must say what it is for.
CONTROL_ROLES = frozenset([
    pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TOGGLE_BUTTON, pyatspi.ROLE_CHECK_BOX,
    pyatspi.ROLE_RADIO_BUTTON, pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_SLIDER,
    pyatspi.ROLE_SPIN_BUTTON, pyatspi.ROLE_ENTRY, pyatspi.ROLE_TEXT, pyatspi.ROLE_PASSWORD_TEXT,
    pyatspi.ROLE_MENU, pyatspi.ROLE_MENU_ITEM, pyatspi.ROLE_CHECK_MENU_ITEM,
    pyatspi.ROLE_RADIO_MENU_ITEM, pyatspi.ROLE_LINK, pyatspi.ROLE_LIST_ITEM, pyatspi.ROLE_PAGE_TAB,
])


def descendants(root):
    for index in range(root.childCount):
        child = root.getChildAtIndex(index)
        if child is not None:
            yield child
            yield from descendants(child)


def showing(node):
    states = node.getState()
    return states.contains(pyatspi.STATE_VISIBLE) and states.contains(pyatspi.STATE_SHOWING)


def describe(node):
    """The node with the nearest named things around it, enough to find it in the views."""
    where = []
    up = node.parent
    while up is not None and up.getRole() != pyatspi.ROLE_APPLICATION:
        if up.name:
            where.append(up.name)
        up = up.parent
    parent, index = node.parent, node.getIndexInParent()
    before = [parent.getChildAtIndex(i) for i in range(index)] if parent is not None else []
    label = next((s.name for s in reversed(before) if s is not None and s.name), None)
    return "%s %r in %s, after %r" % (node.getRoleName(), node.name, " < ".join(where) or "?",
                                      label)


def scrolled_out(node, root):
    """Whether node lies wholly outside root's frame: a page scrolled past it, not a hidden item
    (Qt calls both invisible)."""
    try:
        a = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        b = root.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    except NotImplementedError:
        return False
    if a.width <= 0 or a.height <= 0:
        return False
    return (a.y >= b.y + b.height or a.y + a.height <= b.y or a.x >= b.x + b.width
            or a.x + a.width <= b.x)


def unheard(root):
    """What a screen reader gets wrong under root: a showing control without a name, and
    anything in the tree that is not on screen at all (scrolled out of the frame aside: the
    walk scrolls to it)."""
    faults = []
    for node in descendants(root):
        if not node.getState().contains(pyatspi.STATE_VISIBLE):
            if not scrolled_out(node, root):
                faults.append("hidden but in the tree: " + describe(node))
        elif node.getRole() in CONTROL_ROLES and showing(node) and not node.name.strip():
            faults.append("no name: " + describe(node))
    return faults


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


if __name__ == "__main__":
    deadline = time.time() + 30
    app = find_app(deadline)
    if app is None:
        sys.exit("Quorel is not on the accessibility bus")
    args = sys.argv[1:]
    while args:
        option = args.pop(0)
        if option in ("--wait-for", "--open"):
            name = args.pop(0)
            found = wait_for(lambda: find_named(app, name), deadline)
            if not found:
                sys.exit("nothing named %r" % name)
            if option == "--open":
                press(found)
            continue
        button = wait_for(lambda: find_button(app, option), deadline)
        if button is None:
            sys.exit("no push button named %r" % option)
        press(button)
