#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The network road's numbers: send-queue throughput, record-to-pointer latency over TCP, and the
# time to reconnect (bench/network_probe.cpp), then the CPU share of the idle program with the
# network window open and a connected channel carrying the heartbeat, over 30 s.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}

cmake --build --preset dev --target ride-console network_probe >/dev/null
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"

build/bin/network_probe

# Idle CPU: the real program, its channel connected to a controller that reads the heartbeat.
port=$((20000 + RANDOM % 20000))
socat -u TCP-LISTEN:$port,bind=127.0.0.1,reuseaddr,fork OPEN:/dev/null &
cp build/bin/ride-console "$work/"
printf '[网络参数]\r\nTxtTcpIp0=127.0.0.1\r\nTxtTcpPost0=%s\r\n' "$port" | iconv -f UTF-8 -t GBK > "$work/配置.ini"
dbus-run-session -- bash -c '
  "$1/ride-console" >"$1/console.log" 2>&1 &
  pid=$!
  sleep 2
  # "网络设置" is at (556,322) 124x30 in the console, which sits at the top left.
  xdotool mousemove 618 337 click 1
  sleep 3
  ticks=$(getconf CLK_TCK)
  t0=$(awk "{print \$14+\$15}" /proc/$pid/stat)
  sleep "$2"
  t1=$(awk "{print \$14+\$15}" /proc/$pid/stat)
  awk -v a="$t0" -v b="$t1" -v s="$2" -v hz="$ticks" \
    "BEGIN { printf \"idle program, network window open, channel carrying the heartbeat: %.2f%% of one core over %d s\n\", 100*(b-a)/hz/s, s }"
  kill $pid
' _ "$work" "$seconds"
