#!/usr/bin/python3
# Presses a push button of a running Qt program through the accessibility bus, found by its
# caption, as an operator's assistive tool would.  Usage: press_button.py CAPTION [SECONDS]
import sys
import time

import pyatspi


def find(node, role, name):
    try:
        if node.getRoleName() == role and node.name == name:
            return node
        for i in range(node.childCount):
            found = find(node.getChildAtIndex(i), role, name)
            if found:
                return found
    except Exception:  # a node that vanished while we walked the tree
        pass
    return None


def main():
    caption = sys.argv[1]
    deadline = time.time() + float(sys.argv[2] if len(sys.argv) > 2 else 10)
    while time.time() < deadline:
        for app in pyatspi.Registry.getDesktop(0):
            if app is None:
                continue
            button = find(app, "push button", caption)
            if button:
                button.queryAction().doAction(0)
                print("pressed")
                return 0
        time.sleep(0.2)
    print("no button named " + caption, file=sys.stderr)
    return 1


sys.exit(main())
