# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the long-running benches (soak.sh, metrics.sh): the site they share. Builds the
# console and bike-sim in $build, then sets up, in a temporary directory of its own, a virtual X
# server, two short clips, bike-sim feeding 100 records a second over a pseudo-terminal and over
# TCP at once, and the console's 配置.ini naming them all.
#   prepare_fed_site NAME     results go to $build/NAME-<date>/
# Sets out, work, pids (ended on exit), sim (bike-sim's pid), port and DISPLAY; the console is
# copied to $work/app/ride-console, not started.
prepare_fed_site() {
  local name=$1
  if [ ! -f "$build/build.ninja" ] && [ "$build" = build ]; then
    cmake --preset dev >/dev/null
  fi
  cmake --build "$build" -j2 --target ride-console bike-sim >/dev/null
  out="$build/$name-$(date +%Y%m%d-%H%M%S)"
  mkdir -p "$out"
  out=$(cd "$out" && pwd)
  work=$(mktemp -d)
  pids=()
  trap cleanup_fed_site EXIT

  export XDG_RUNTIME_DIR="$work/runtime"
  mkdir -m 700 "$XDG_RUNTIME_DIR"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  export DISPLAY=":$(cat "$work/display")" QT_QPA_PLATFORM=xcb

  # Two short clips; the nobody-present one (blue) loops once the person-present one (red) has run.
  mkdir -p "$work/app"
  for c in red blue; do
    ffmpeg -loglevel error -y -f lavfi -i "color=c=$c:s=320x240:r=25:d=2" -c:v libx264 -preset veryfast \
      -pix_fmt yuv420p "$work/app/$c.mp4"
  done

  # A ride that steers left and right (no keys: typed keys would land in whatever window has the focus).
  printf '0 10 45 BBBBBB\n1 20 135 BBBBBB\n2 10 45 BBBBBB\n' >"$work/ride.txt"
  port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
  "$build/bin/bike-sim" --link "$work/bike-tty" --tcp "127.0.0.1:$port" --ride "$work/ride.txt" --loop \
    --interval 10 --reconnect-wait 3600 >"$out/bike-sim.log" 2>&1 &
  sim=$!
  pids+=($sim)
  for _ in $(seq 100); do [ -e "$work/bike-tty" ] && break; sleep 0.1; done

  cp "$build/bin/ride-console" "$work/app/"
  printf '%s\r\n' '[串口设置]' '设置=9600,N,8,1' "端口=$work/bike-tty" \
    '[网络参数]' 'TxtTcpIp0=127.0.0.1' "TxtTcpPost0=$port" \
    '[视频文件]' '视频0=red.mp4' '视频1=blue.mp4' '来人播放时间单位秒=5' \
    '[视频1位置及大小]' '视频1位置左=900' '视频1位置上=700' '视频1宽=320' '视频1高=240' |
    iconv -f UTF-8 -t GBK >"$work/app/配置.ini"
}

cleanup_fed_site() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
