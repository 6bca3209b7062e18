#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Record-to-pointer and flag-to-keys latency on a virtual X server of its own.
#   bench/pointer_latency.sh [--busy N [--apart]] [--trace] [--no-priority-step] [build-dir] [records] [key-runs]
# The build directory defaults to build/ (the dev preset); the probes are built there first.
#
# --busy N  starts N busy loops (`yes > /dev/null`) beside the probes, as a 3D renderer that takes
#           every core it can get, and ends them, by their process ids, when the run ends.
# --apart   starts the busy loops in a session of their own: the kernel's autogroups then schedule
#           them as a group apart from the X server and the probes, as a desktop's control groups
#           do with a program started from the desktop. Without it they share one group.
# --trace   counts the probes' round trips to the X server and names their callers
#           (bench/round_trip_counter.cpp); the timings of a traced run are not the ones to quote.
# --no-priority-step  the probes leave out the console's priority step (service/ui_priority.h)
#           and run at the nice value this script was started with.
#
# The X server and the busy loops run at normal priority (nice 0) whatever this script was started
# with; the probes take the console's own priority step, as the program does.
set -euo pipefail
cd "$(dirname "$0")/.."
busy=0
apart=
trace=no
while [ $# -gt 0 ]; do
  case $1 in
    --busy) busy=$2; shift 2 ;;
    --apart) apart=setsid; shift ;;
    --trace) trace=yes; shift ;;
    --no-priority-step) export RIDE_BENCH_NO_PRIORITY_STEP=1; shift ;;
    -h|--help) sed -n '2,17p' "$0"; exit 0 ;;
    *) break ;;
  esac
done
build=${1:-build}
records=${2:-2000}
keyRuns=${3:-200}

if [ ! -f "$build/build.ninja" ] && [ "$build" = build ]; then
  cmake --preset dev >/dev/null
fi
cmake --build "$build" -j2 --target pointer_latency_probe key_latency_probe round_trip_counter >/dev/null
work=$(mktemp -d)
xvfb=
loops=()
finish() {
  for pid in "${loops[@]}"; do kill "$pid" 2>/dev/null || true; done
  if [ -n "$xvfb" ]; then kill "$xvfb" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap finish EXIT

# `nice -n` only adds: this brings a child started from a raised (negative) niceness back to 0.
toNormal=$((0 - $(nice)))
export XDG_RUNTIME_DIR="$work/runtime"; mkdir -m 700 "$XDG_RUNTIME_DIR"
nice -n "$toNormal" Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"
# The probes read its schedstat to tell how long it waited for a core.
export RIDE_BENCH_XSERVER_PID=$xvfb

for _ in $(seq "$busy"); do
  $apart nice -n "$toNormal" yes >/dev/null &
  loops+=($!)
done
echo "X server nice $(ps -o ni= -p "$xvfb" | tr -d ' '); $busy busy loops${apart:+ in a session of their own}; load average $(cut -d' ' -f1-3 /proc/loadavg)"

preload=
if [ "$trace" = yes ]; then
  preload="$build/bench/libround_trip_counter.so"
fi
pointerArgs=()
if [ "$busy" -gt 0 ]; then
  # Starting a process per record measures process start-up under load, not the console.
  pointerArgs+=(--no-xdotool)
fi
LD_PRELOAD=$preload "$build/bin/pointer_latency_probe" "$records" "${pointerArgs[@]}"
LD_PRELOAD=$preload "$build/bin/pointer_latency_probe" "$records" --view
LD_PRELOAD=$preload "$build/bin/key_latency_probe" "$keyRuns"
