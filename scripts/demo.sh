#!/usr/bin/env bash
# Installs what is missing, builds, prepares a demo directory with the console and a generated
# settings file beside it, and runs the console. On a desktop it runs until you press "结束";
# without a display it runs on a virtual X server for a few seconds and saves screenshots.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash scripts/setup.sh
cmake --preset dev
cmake --build --preset dev --target ride-console

demo="$root/demo"
mkdir -p "$demo"
cp build/bin/ride-console "$demo/ride-console"

# The settings file is GBK, like one an installer writes on the exhibition PC.
iconv -f UTF-8 -t GBK > "$demo/配置.ini" <<'INI'
[控制界面]
窗口位置左=40
窗口位置上=560
速度比例系数=7.2
鼠标X方向移动宽度=1024
鼠标Y方向移动高度=768
[串口设置]
设置=9600,N,8,1
端口=0
状态=调试
[视频文件]
来人播放时间单位秒=60
视频0=
视频1=
[视频1位置及大小]
视频1位置左=300
视频1位置上=40
视频1宽=640
视频1高=480
INI
sed -i 's/$/\r/' "$demo/配置.ini"

if [ -n "${DISPLAY:-}" ] && [ -z "${RIDE_DEMO_HEADLESS:-}" ]; then
  echo "demo: running $demo/ride-console on $DISPLAY; press 结束 to end it"
  exec "$demo/ride-console"
fi

# No display: a virtual one, a few seconds of running, screenshots for a look afterwards.
shots="$demo/screenshots"
mkdir -p "$shots"
exec 3>&1
Xvfb -displayfd 4 -screen 0 1280x1024x24 -nolisten tcp 4>"$demo/.display" >/dev/null 2>&1 &
xvfb=$!
trap 'kill $console $xvfb 2>/dev/null || true' EXIT
for _ in $(seq 100); do [ -s "$demo/.display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$demo/.display")"
"$demo/ride-console" >"$demo/console.log" 2>&1 &
console=$!
sleep "${RIDE_DEMO_SECONDS:-5}"
ffmpeg -loglevel error -y -f x11grab -video_size 1280x1024 -i "$DISPLAY" -frames:v 1 "$shots/screen.png"
echo "demo: ran on the virtual display $DISPLAY; screenshot: $shots/screen.png, log: $demo/console.log"
