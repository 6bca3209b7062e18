#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Start-up time (exec to the console window mapped) and idle resident memory of ride-console,
# on a virtual X server of its own, with a settings file that opens no serial port.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-20}

cmake --build --preset dev --target ride-console startup_probe >/dev/null
work=$(mktemp -d)
trap 'kill $xvfb 2>/dev/null || true; rm -rf "$work"' EXIT
cp build/bin/ride-console "$work/"
printf '[视频1位置及大小]\r\n视频1宽=640\r\n视频1高=480\r\n' | iconv -f UTF-8 -t GBK > "$work/配置.ini"

export XDG_RUNTIME_DIR="$work/runtime"; mkdir -m 700 "$XDG_RUNTIME_DIR"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
DISPLAY=":$(cat "$work/display")" QT_QPA_PLATFORM=xcb build/bin/startup_probe "$work/ride-console" "$runs"
