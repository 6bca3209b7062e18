#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Presses a push button of a running Qt program through the accessibility bus, found by its
# caption, as an operator's assistive tool would.
#
# Usage: press_button.py CAPTION [SECONDS] [--window TITLE] [--pid PID]
#   SECONDS   how long to keep looking for the button (default 10)
#   --window  only a button in the top-level window with this title (for equal captions)
#   --pid     only a button of the program with this process id
import argparse
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


def windows(pid, title):
    for app in pyatspi.Registry.getDesktop(0):
        if app is None:
            continue
        try:
            if pid is not None and app.get_process_id() != pid:
                continue
            for i in range(app.childCount):
                window = app.getChildAtIndex(i)
                if window is not None and (title is None or window.name == title):
                    yield window
        except Exception:  # a program or window that went away meanwhile
            continue


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("caption")
    parser.add_argument("seconds", nargs="?", type=float, default=10)
    parser.add_argument("--window")
    parser.add_argument("--pid", type=int)
    args = parser.parse_args()

    deadline = time.time() + args.seconds
    while time.time() < deadline:
        for window in windows(args.pid, args.window):
            button = find(window, "push button", args.caption)
            if button:
                button.queryAction().doAction(0)
                print("pressed")
                return 0
        time.sleep(0.2)
    where = " in a window titled " + args.window if args.window else ""
    print("no button named " + args.caption + where, file=sys.stderr)
    return 1


sys.exit(main())
