#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What the target window guard costs a key string, on a virtual X server of its own.
#   bench/focused_window.sh [build-dir] [runs]
# The build directory defaults to build/ (the dev preset); the probe is built there first.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${2:-2000}

if [ ! -f "$build/build.ninja" ] && [ "$build" = build ]; then
  cmake --preset dev >/dev/null
fi
cmake --build "$build" -j2 --target focused_window_probe >/dev/null
work=$(mktemp -d)
xvfb=
trap 'if [ -n "$xvfb" ]; then kill "$xvfb" 2>/dev/null || true; fi; rm -rf "$work"' EXIT

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"
"$build/bin/focused_window_probe" "$runs"
