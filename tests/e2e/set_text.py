#!/usr/bin/python3
# Sets the text of text boxes of a running Qt program through the accessibility bus, each found by
# its description (the box's name in the program), as an operator's assistive tool would.
#
# Usage: set_text.py --pid PID [--seconds N] NAME=TEXT...
#   --seconds  how long to keep looking for the boxes (default 10)
# Prints "set" and exits 0 once every box holds its text; exits 1 if a box was not found.
import argparse
import sys
import time

import pyatspi


def find(node, description, found):
    try:
        if node.description == description:
            try:
                found.append(node.queryEditableText())
                return
            except NotImplementedError:
                pass
        for i in range(node.childCount):
            find(node.getChildAtIndex(i), description, found)
    except Exception:  # a node that vanished while we walked the tree
        pass


def editable(pid, description):
    found = []
    for app in pyatspi.Registry.getDesktop(0):
        if app is None:
            continue
        try:
            if app.get_process_id() != pid:
                continue
        except Exception:
            continue
        find(app, description, found)
    return found[0] if found else None


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--pid", type=int, required=True)
    parser.add_argument("--seconds", type=float, default=10)
    parser.add_argument("assignments", nargs="+")
    args = parser.parse_args()

    deadline = time.time() + args.seconds
    for assignment in args.assignments:
        name, _, text = assignment.partition("=")
        while True:
            box = editable(args.pid, name)
            if box:
                box.setTextContents(text)
                if box.getText(0, -1) == text:
                    break
            if time.time() > deadline:
                print("not set: " + name, file=sys.stderr)
                return 1
            time.sleep(0.2)
    print("set")
    return 0


if __name__ == "__main__":
    sys.exit(main())
