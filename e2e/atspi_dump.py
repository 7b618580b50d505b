#!/usr/bin/python3
"""Prints, as JSON, every accessible object of the named application that a screen reader
finds on the AT-SPI bus: its role, its name and whether it is showing.

Run with the system Python (pyatspi is a Debian package) inside the test's session:
    atspi_dump.py APPLICATION-NAME
Prints [] while the application has not registered yet.
"""

import json
import sys

import pyatspi
import pyatspi.role

MAX_DEPTH = 40


def walk(accessible, depth, out):
    if accessible is None or depth > MAX_DEPTH:
        return
    states = accessible.getState()
    out.append({
        # pyatspi's own name of the role ("push button"), the same on Debian 12 and 13; the
        # bus's name for it changed ("button" with Debian 13's AT-SPI).
        "role": pyatspi.role.ROLE_NAMES.get(accessible.getRole(), accessible.getRoleName()),
        "name": accessible.name,
        "showing": states.contains(pyatspi.STATE_SHOWING),
    })
    for index in range(accessible.childCount):
        walk(accessible.getChildAtIndex(index), depth + 1, out)


def main():
    wanted = sys.argv[1]
    desktop = pyatspi.Registry.getDesktop(0)
    found = []
    for index in range(desktop.childCount):
        app = desktop.getChildAtIndex(index)
        if app is not None and app.name == wanted:
            walk(app, 0, found)
    json.dump(found, sys.stdout)
    print()


if __name__ == "__main__":
    main()
