#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds, and shows a whole installation at work in ./demo: bike-sim
# plays the bike controller (a pseudo-terminal for the serial line, and the TCP channel),
# ride-target stands in for the roaming program, and the console steers the pointer, types the
# bike keys into ride-target and switches between the two videos.
# With a display it runs until the console ends (结束) or ride-target is closed (Esc in it).
# Without one (or with RIDE_DEMO_HEADLESS=1) it runs on a virtual X server for about twenty
# seconds and saves screenshots and logs in ./demo.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash scripts/setup.sh
cmake --preset dev
cmake --build --preset dev --target ride-console bike-sim ride-target

bin="$root/build/bin"
demo="$root/demo"
shots="$demo/screenshots"
mkdir -p "$demo"
rm -rf "$shots"
rm -f "$demo"/*.log
cp "$bin/ride-console" "$demo/ride-console"

# Everything started here is stopped when the script ends, however it ends; last started first,
# each given up to five seconds to end before the next, so that the console ends in order before
# its X server goes away.
started=()
stop_all() {
  local pid
  for ((i = ${#started[@]} - 1; i >= 0; i--)); do
    pid=${started[i]}
    kill "$pid" 2>/dev/null || continue
    for _ in $(seq 50); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
  done
  wait 2>/dev/null || true
}
trap stop_all EXIT
trap 'exit 130' INT TERM

say() { echo "demo: $*"; }

# wait_for FILE REGEX SECONDS
wait_for() {
  for ((i = 0; i < $3 * 10; i++)); do
    grep -qE "$2" "$1" 2>/dev/null && return 0
    sleep 0.1
  done
  return 1
}

# find_window TITLE-REGEX SECONDS: prints the id of the first visible window with that title.
find_window() {
  local id
  for ((i = 0; i < $2 * 10; i++)); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 || true)
    if [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    sleep 0.1
  done
  return 1
}

# Two clips that cannot be mistaken for each other: green "person present", blue "nobody
# present", each with a running second count. Made once and kept.
font=/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc
make_clip() { # FILE SECONDS COLOUR TITLE
  [ -s "$demo/$1" ] && return 0
  printf '%b' "$4" >"$demo/.title.txt"
  ffmpeg -loglevel error -y -f lavfi -i "color=c=$3:s=640x360:r=10:d=$2" \
    -vf "drawtext=fontfile=$font:textfile=$demo/.title.txt:fontsize=40:fontcolor=white:line_spacing=12:x=(w-text_w)/2:y=h/2-90,drawtext=fontfile=$font:text='%{eif\:t\:d} s':fontsize=36:fontcolor=white:x=(w-text_w)/2:y=h/2+50" \
    -c:v libx264 -preset veryfast -pix_fmt yuv420p "$demo/.clip.mp4"
  mv "$demo/.clip.mp4" "$demo/$1"
  rm -f "$demo/.title.txt"
}
make_clip person-present.mp4 30 0x1d7a3a '视频0  来人播放\nperson present'
make_clip nobody-present.mp4 60 0x1d3f8a '视频1  无人播放\nnobody present'

headless=1
if [ -n "${DISPLAY:-}" ] && [ -z "${RIDE_DEMO_HEADLESS:-}" ]; then
  headless=0
else
  rm -f "$demo/.display"
  Xvfb -displayfd 4 -screen 0 1280x1024x24 -nolisten tcp 4>"$demo/.display" >/dev/null 2>&1 &
  started+=($!)
  for _ in $(seq 100); do [ -s "$demo/.display" ] && break; sleep 0.1; done
  export DISPLAY=":$(cat "$demo/.display")"
  rm -f "$demo/.display"
fi
# The console drives the pointer and keys through X11; the tools live on the same X server.
export QT_QPA_PLATFORM=xcb

# The controller first: the settings file needs its pseudo-terminal and its port.
"$bin/bike-sim" --serial --tcp 127.0.0.1:0 --reconnect-wait 5 >"$demo/bike-sim.log" 2>&1 &
started+=($!)
if ! wait_for "$demo/bike-sim.log" 'tcp listening on' 5; then
  say "bike-sim did not start:"
  cat "$demo/bike-sim.log"
  exit 1
fi
pts=$(sed -n 's/.* serial line ready: \([^ ]*\).*/\1/p' "$demo/bike-sim.log" | head -n 1)
port=$(sed -n 's/.* tcp listening on [0-9.]*:\([0-9]*\)$/\1/p' "$demo/bike-sim.log" | head -n 1)

# Laid out for a 1280x1024 screen: ride-target over the pointer's range at the top, the console
# and the player window below it. The settings file is GBK with CRLF line ends, like one an
# installer writes on the exhibition PC. The key strings stay the console's defaults, A to F,
# harmless while ride-target has the focus.
iconv -f UTF-8 -t GBK >"$demo/配置.ini" <<INI
[控制界面]
窗口位置左=0
窗口位置上=430
速度比例系数=7.2
鼠标X方向移动宽度=1024
鼠标Y方向移动高度=768
[串口设置]
设置=9600,N,8,1
端口=$pts
状态=调试
[视频文件]
来人播放时间单位秒=5
视频0=person-present.mp4
视频1=nobody-present.mp4
[视频1位置及大小]
视频1位置左=850
视频1位置上=430
视频1宽=400
视频1高=300
[网络参数]
TxtTcpIp0=127.0.0.1
TxtTcpPost0=$port
TxtTcp通道名称0=bike-sim
发送失败处理方法0=忽略
INI
sed -i 's/$/\r/' "$demo/配置.ini"

"$bin/ride-target" --geometry 1040x400+0+0 --keep-focus --quit-on-escape >"$demo/ride-target.log" 2>&1 &
target=$!
started+=($target)
"$demo/ride-console" >"$demo/console.log" 2>&1 &
console=$!
started+=($console)
console_started=$(date +%s.%N)

if ! console_win=$(find_window '^Rovika支持鼠标和键盘171013A$' 15); then
  say "the console window did not appear; its log:"
  cat "$demo/console.log"
  exit 1
fi
say "console on $DISPLAY; serial line $pts, bike-sim's TCP port $port"

# Buttons of the console window, in its own pixels.
press_network() { xdotool mousemove --window "$console_win" 618 337 click 1; }
press_person() { xdotool mousemove --window "$console_win" 565 98 click 1; }

# The network window and its channel start only when the operator asks for them.
press_network
if wait_for "$demo/bike-sim.log" 'console connected over tcp' 10; then
  say "the console's TCP channel reached bike-sim"
else
  say "the console's TCP channel did not connect (see $demo/console.log); the serial line carries on"
fi

# Timing and screenshots, by the windows' own places on the screen.
at() { # sleep until SECONDS after the console started
  local left
  left=$(awk -v start="$console_started" -v t="$1" -v now="$(date +%s.%N)" 'BEGIN { printf "%.2f", start + t - now }')
  case "$left" in -* | "") return 0 ;; esac
  sleep "$left"
}
geometry_of() { # window id -> "W H X Y" on screen
  xdotool getwindowgeometry --shell "$1" 2>/dev/null |
    awk -F= '/^X=/{x=$2} /^Y=/{y=$2} /^WIDTH=/{w=$2} /^HEIGHT=/{h=$2} END{print w, h, x, y}'
}
crop() { # SCREEN WINDOW-ID OUT
  local w h x y
  read -r w h x y <<<"$(geometry_of "$2")"
  [ -n "${w:-}" ] && [ "$w" -gt 0 ] || return 0
  ((x < 0)) && x=0
  ((y < 0)) && y=0
  ((x + w > 1280)) && w=$((1280 - x))
  ((y + h > 1024)) && h=$((1024 - y))
  ffmpeg -loglevel error -y -i "$1" -vf "crop=$w:$h:$x:$y" "$3"
}
shoot() { # NAME: the whole screen, and each of the three windows cut out of it
  local screen="$shots/$1-screen.png"
  ffmpeg -loglevel error -y -f x11grab -video_size 1280x1024 -i "$DISPLAY" -frames:v 1 "$screen"
  crop "$screen" "$console_win" "$shots/$1-console.png"
  [ -n "$player_win" ] && crop "$screen" "$player_win" "$shots/$1-player.png"
  [ -n "$target_win" ] && crop "$screen" "$target_win" "$shots/$1-ride-target.png"
  return 0
}

# The channel in its window (a screenshot without a display), then out of the way with its
# 隐藏 button; it keeps working hidden, and 网络设置 shows it again.
at 4
if net_win=$(find_window '^网络控制调试窗口$' 2); then
  if [ "$headless" = 1 ]; then
    mkdir -p "$shots"
    ffmpeg -loglevel error -y -f x11grab -video_size 1280x1024 -i "$DISPLAY" -frames:v 1 "$shots/network-screen.png"
    crop "$shots/network-screen.png" "$net_win" "$shots/network.png"
  fi
  xdotool mousemove --window "$net_win" 906 376 click 1
fi

if [ "$headless" = 0 ]; then
  say "the pointer follows the simulated rider; keys A..F arrive in ride-target, which keeps the"
  say "keyboard focus. 来人播放视频 is pressed every 15 s, as for a rider arriving."
  say "End the demo with Esc in ride-target, 结束 in the console, or Ctrl-C here."
  n=0
  while kill -0 "$console" 2>/dev/null && kill -0 "$target" 2>/dev/null; do
    sleep 1
    n=$((n + 1))
    if ((n % 15 == 0)); then
      press_person || true
    fi
  done
  say "ended; logs in $demo"
  exit 0
fi

# No display: a fixed course of about twenty seconds, with screenshots along the way.
mkdir -p "$shots"
player_win=$(find_window '^Form4$' 2 || true)
target_win=$(find_window '^ride-target$' 2 || true)

# The play time (5 s) has run out since start: the nobody-present video plays.
at 8
shoot nobody
# A rider arrives: the operator's button brings the person-present video.
press_person
at 11
shoot person
# Its 5 seconds over, the nobody-present video comes back.
at 18
shoot back
at 20

keys=$(grep -c ' key ' "$demo/ride-target.log" || true)
heartbeats=$(grep -c 'from console over tcp' "$demo/bike-sim.log" || true)
say "ran on the virtual display $DISPLAY for about 20 s"
say "ride-target received $keys keys; bike-sim got $heartbeats heartbeat arrivals from the console"
say "screenshots: $shots/ (nobody-*, person-*, back-*: screen, console, player, ride-target; network*)"
say "logs: $demo/console.log $demo/bike-sim.log $demo/ride-target.log"
