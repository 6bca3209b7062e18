#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fails when an #include or a CMake link goes the wrong way between the rooms of src/, or when a
# file of src/ or tools/ reaches outside its own part of the tree. The rooms and what each may
# use are read from the table in docs/architecture.md, so the map and the check cannot drift
# apart.
#   scripts/check-layers.sh              check this tree
#   scripts/check-layers.sh --self-test  plant a wrong include and a wrong link in a copy, and
#                                        show that both are caught
set -euo pipefail
cd "$(dirname "$0")/.."

check() {
  /usr/bin/python3 - "$1" <<'PY'
import os, re, sys

top = sys.argv[1]
table = open(os.path.join(top, "docs/architecture.md"), encoding="utf-8").read()
block = re.search(r"```layers\n(.*?)```", table, re.S)
if not block:
    sys.exit("check-layers: no ```layers table in docs/architecture.md")
allowed = {}
for line in block.group(1).splitlines():
    line = line.split("#")[0].strip()
    if line:
        room, _, uses = line.partition(":")
        allowed[room.strip()] = set(uses.split())
# A room may use everything the rooms it uses may use: the table lists only the next steps down.
def closure(room, seen=None):
    seen = set() if seen is None else seen
    for used in allowed.get(room, ()):
        if used not in seen:
            seen.add(used)
            closure(used, seen)
    return seen
reach = {room: closure(room) for room in allowed}
rooms = sorted(allowed, key=len, reverse=True)

def room_of(rel):
    for room in rooms:
        if rel.startswith(room + "/"):
            return room
    return None

problems = []
for part in ("src", "tools"):
    for root, _, files in os.walk(os.path.join(top, part)):
        for name in files:
            path = os.path.join(root, name)
            rel = os.path.relpath(path, os.path.join(top, part))
            if name.endswith((".h", ".cpp")):
                own = room_of(rel) if part == "src" else None
                if part == "src" and own is None:
                    problems.append(f"src/{rel}: in no room of the table")
                    continue
                for number, line in enumerate(open(path, encoding="utf-8"), 1):
                    m = re.match(r'\s*#\s*include\s+"([^"]+)"', line)
                    if not m:
                        continue
                    target = m.group(1)
                    if part == "tools":
                        used = room_of(target)
                        if os.path.exists(os.path.join(top, "src", target)) and used not in reach.get("tools", ()):
                            problems.append(f"tools/{rel}:{number}: tools may not include {target} from src/")
                        continue
                    used = room_of(target)
                    if used is None or used == own:
                        continue
                    if used not in reach[own]:
                        problems.append(f"src/{rel}:{number}: {own} may not include {target} ({used})")
            elif name == "CMakeLists.txt" and part == "src":
                own = room_of(os.path.relpath(root, os.path.join(top, "src")) + "/x") or "app"
                text = open(path, encoding="utf-8").read()
                for call in re.finditer(r"target_link_libraries\(([^)]*)\)", text):
                    for lib in re.findall(r"\bride_([a-z0-9_]+)", call.group(1)):
                        if lib in ("compile_options",):
                            continue
                        used = "app" if lib in ("app", "installation") else None
                        if used is None:
                            # ride_input_x11 is input/x11, ride_capture_format is capture.
                            parts = lib.split("_")
                            prefixes = ["/".join(parts[:i]) for i in range(len(parts), 0, -1)]
                            used = next((c for c in prefixes if c in allowed), None)
                        if used is None:
                            problems.append(f"src/{os.path.relpath(path, os.path.join(top, 'src'))}: links ride_{lib}, in no room")
                        elif used != own and used not in reach[own]:
                            problems.append(f"src/{os.path.relpath(path, os.path.join(top, 'src'))}: {own} may not link ride_{lib} ({used})")

for problem in problems:
    print("check-layers: " + problem)
if problems:
    sys.exit(1)
print(f"check-layers: {len(allowed)} rooms, every include and link goes down")
PY
}

if [ "${1:-}" = --self-test ]; then
  copy=$(mktemp -d)
  trap 'rm -rf "$copy"' EXIT
  cp -r src tools docs "$copy"
  check "$copy" >/dev/null
  # Up a floor: the number rule asking the front door for something.
  sed -i '1a #include "app/installation.h"' "$copy/src/base/numeric_value.cpp"
  # Sideways: the console linking the network window's logic.
  echo 'target_link_libraries(ride_console PUBLIC ride_network)' >> "$copy/src/console/CMakeLists.txt"
  if out=$(check "$copy"); then
    echo "check-layers --self-test: the planted include and link were not caught" >&2
    exit 1
  fi
  grep -q "base may not include app/installation.h" <<<"$out"
  grep -q "console may not link ride_network" <<<"$out"
  echo "check-layers --self-test: a wrong include and a wrong link are caught"
  exit 0
fi

check .
