#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Record-to-pointer with the traffic capture on and off, side by side, on a virtual X server of
# its own; the capture goes to a temporary directory.
#   bench/capture_cost.sh [build-dir] [records per console] [runs]
# The build directory defaults to build/ (the dev preset); the probe is built there first.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
records=${2:-5000}
runs=${3:-1}

if [ ! -f "$build/build.ninja" ] && [ "$build" = build ]; then
  cmake --preset dev >/dev/null
fi
cmake --build "$build" -j2 --target capture_cost_probe >/dev/null
work=$(mktemp -d)
xvfb=
trap 'if [ -n "$xvfb" ]; then kill "$xvfb" 2>/dev/null || true; fi; rm -rf "$work"' EXIT

export XDG_RUNTIME_DIR="$work/runtime"; mkdir -m 700 "$XDG_RUNTIME_DIR"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"
for run in $(seq "$runs"); do
  echo "run $run ($(cut -d' ' -f1 /proc/loadavg) load)"
  "$build/bin/capture_cost_probe" "$records" "$work/bench.capture"
done
