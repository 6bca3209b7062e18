#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Prints what a running program offers an assistive tool: one JSON object a line for every
# top-level window and every element inside it, as the accessibility bus reports them.
#
# Usage: accessible_tree.py [--pid PID] [--wait-for TITLE]... [--seconds N]
#   --pid        only the program with this process id (else every program on the bus)
#   --wait-for   keep looking, up to --seconds (default 10), until a window with this title is there
#
# Each line has: window (title of the top-level window it belongs to), depth (0 for the window
# itself), parent (name of the element it sits in: a frame's title, the window's), role, name,
# description, showing, extents ([x, y, width, height] on the screen); and,
# for elements with a text interface, text and font ({"family-name": ..., "size": ...}, as the
# text's attributes give them) when the bus offers them.
import argparse
import json
import sys
import time

import pyatspi


def font_of(node):
    try:
        text = node.queryText()
    except NotImplementedError:
        return None, None
    content = text.getText(0, -1)
    attributes = {}
    try:
        # The run at the first character carries the label's own font; the defaults fill in the rest.
        for source in (text.getDefaultAttributeSet(), text.getAttributeRun(0, True)[0]):
            for item in source:
                key, _, value = item.partition(":")
                attributes[key] = value
    except Exception:  # a text without attributes
        pass
    font = {key: attributes[key] for key in ("family-name", "size") if key in attributes}
    return content, font or None


def describe(node, window, parent, depth, out):
    try:
        entry = {
            "window": window,
            "depth": depth,
            "parent": parent,
            "role": node.getRoleName(),
            "name": node.name,
            "description": node.description,
            "showing": node.getState().contains(pyatspi.STATE_SHOWING),
        }
        try:
            box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
            entry["extents"] = [box.x, box.y, box.width, box.height]
        except NotImplementedError:
            pass
        text, font = font_of(node)
        if text is not None:
            entry["text"] = text
        if font is not None:
            entry["font"] = font
        out.append(entry)
        for i in range(node.childCount):
            child = node.getChildAtIndex(i)
            if child is not None:
                describe(child, window, node.name, depth + 1, out)
    except Exception:  # an element that went away while we walked the tree
        pass


def snapshot(pid):
    out = []
    for app in pyatspi.Registry.getDesktop(0):
        if app is None:
            continue
        try:
            if pid is not None and app.get_process_id() != pid:
                continue
            windows = [app.getChildAtIndex(i) for i in range(app.childCount)]
        except Exception:
            continue
        for window in windows:
            if window is not None:
                describe(window, window.name, "", 0, out)
    return out


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--pid", type=int)
    parser.add_argument("--wait-for", action="append", default=[])
    parser.add_argument("--seconds", type=float, default=10)
    args = parser.parse_args()

    deadline = time.time() + args.seconds
    while True:
        tree = snapshot(args.pid)
        titles = {e["window"] for e in tree if e["depth"] == 0}
        missing = [t for t in args.wait_for if t not in titles]
        if not missing or time.time() >= deadline:
            break
        time.sleep(0.3)
    for entry in tree:
        print(json.dumps(entry, ensure_ascii=False))
    if missing:
        print("no window titled " + ", ".join(missing), file=sys.stderr)
        return 1
    return 0


sys.exit(main())
