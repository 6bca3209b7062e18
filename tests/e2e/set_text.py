#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Sets text boxes of a running Qt program through the accessibility bus, each found by its
# description (the box's name in the program), as an operator's assistive tool would.
#
# Usage: set_text.py --pid PID [--seconds N] NAME=TEXT...    exit 0 once every box holds its text
import argparse
import sys
import time

import pyatspi


def find(node, description):
    try:
        if node.description == description:
            return node.queryEditableText()
        for i in range(node.childCount):
            found = find(node.getChildAtIndex(i), description)
            if found:
                return found
    except Exception:  # a node that vanished while we walked the tree, or one without text
        pass
    return None


def box_in(pid, name):
    for app in pyatspi.Registry.getDesktop(0):
        try:
            if app is not None and app.get_process_id() == pid:
                return find(app, name)
        except Exception:  # a program that went away meanwhile
            pass
    return None


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--pid", type=int, required=True)
    parser.add_argument("--seconds", type=float, default=10)
    parser.add_argument("assignments", nargs="+")
    args = parser.parse_args()
    deadline = time.time() + args.seconds
    for name, _, text in (a.partition("=") for a in args.assignments):
        box = box_in(args.pid, name)
        while not (box and box.setTextContents(text) and box.getText(0, -1) == text):
            if time.time() > deadline:
                print("not set: " + name, file=sys.stderr)
                return 1
            time.sleep(0.2)
            box = box_in(args.pid, name)
    return 0


if __name__ == "__main__":
    sys.exit(main())
