#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The video road on a virtual X server of its own: time from a video button to the first frame
# of the new clip, then CPU share and memory while a 1280x720 clip repeats in a 1280x1024 window.
#   bench/video.sh [build-dir] [switches] [seconds]
# The build directory defaults to build/ (the dev preset); the program and the probe are built
# there first.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
switches=${2:-20}
seconds=${3:-20}

if [ ! -f "$build/build.ninja" ] && [ "$build" = build ]; then
  cmake --preset dev >/dev/null
fi
cmake --build "$build" -j2 --target ride-console video_probe >/dev/null
work=$(mktemp -d)
xvfb=
console=
cleanup() {
  if [ -n "$console" ]; then kill "$console" 2>/dev/null || true; wait "$console" 2>/dev/null || true; fi
  if [ -n "$xvfb" ]; then kill "$xvfb" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

export XDG_RUNTIME_DIR="$work/runtime"; mkdir -m 700 "$XDG_RUNTIME_DIR"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")" QT_QPA_PLATFORM=xcb

clip() { # name source
  ffmpeg -loglevel error -y -f lavfi -i "$2" -c:v libx264 -preset veryfast -pix_fmt yuv420p "$work/$1"
}
clip red.mp4 color=c=red:s=1280x720:r=25:d=2
clip blue.mp4 color=c=blue:s=1280x720:r=25:d=2
clip motion.mp4 testsrc2=s=1280x720:r=25:d=10

# settings-file lines (UTF-8 here, GBK on disk)
run_console() {
  mkdir -p "$work/app"
  cp "$build/bin/ride-console" "$work/app/"
  ln -sf "$work"/*.mp4 "$work/app/"
  printf '%s\r\n' "$@" | iconv -f UTF-8 -t GBK > "$work/app/配置.ini"
  "$work/app/ride-console" >>"$work/console.log" 2>&1 &
  console=$!
}
stop_console() {
  kill "$console" 2>/dev/null || true
  wait "$console" 2>/dev/null || true
  console=
}

# 1. Button to first frame: the player below the console, 1280x640; no automatic switch.
run_console '[视频文件]' '视频0=red.mp4' '视频1=blue.mp4' '来人播放时间单位秒=600' \
  '[视频1位置及大小]' '视频1位置左=0' '视频1位置上=380' '视频1宽=1280' '视频1高=640'
# The operator's first click comes once the console is up; by then the video core has started.
sleep 2
"$build/bin/video_probe" switch "$switches" 640 700
stop_console

# 2. Repeating a moving 1280x720 clip full-window; the console hides, the count picks the clip.
run_console '[串口设置]' '状态=正常' '[视频文件]' '视频1=motion.mp4' '来人播放时间单位秒=0' \
  '[视频1位置及大小]' '视频1位置左=0' '视频1位置上=0' '视频1宽=1280' '视频1高=1024'
sleep 4
echo "while repeating a 1280x720 clip in a 1280x1024 window (first pid: ride-console, second: Xvfb):"
"$build/bin/video_probe" cpu "$seconds" "$console" "$xvfb"
stop_console
