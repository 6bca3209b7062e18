#!/usr/bin/env bash
# Record-to-pointer and flag-to-keys latency on a virtual X server of its own.
#   bench/pointer_latency.sh [build-dir] [records] [key-runs]
# The build directory defaults to build/ (the dev preset); the probes are built there first.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
records=${2:-2000}
keyRuns=${3:-200}

if [ ! -f "$build/build.ninja" ] && [ "$build" = build ]; then
  cmake --preset dev >/dev/null
fi
cmake --build "$build" -j2 --target pointer_latency_probe key_latency_probe >/dev/null
work=$(mktemp -d)
xvfb=
trap 'if [ -n "$xvfb" ]; then kill "$xvfb" 2>/dev/null || true; fi; rm -rf "$work"' EXIT

export XDG_RUNTIME_DIR="$work/runtime"; mkdir -m 700 "$XDG_RUNTIME_DIR"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"
"$build/bin/pointer_latency_probe" "$records"
"$build/bin/pointer_latency_probe" "$records" --view
"$build/bin/key_latency_probe" "$keyRuns"
