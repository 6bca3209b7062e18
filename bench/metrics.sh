#!/usr/bin/env bash
# What the health export costs the UI thread: the real program on a virtual X server of its own,
# fed 100 records a second over the serial line and over TCP at once by bike-sim, with the network
# window open and a video looping, writing its metrics file every 10 s. Each write exports the
# duration of the one before (ride_console_metrics_write_duration_seconds); this collects them,
# one per write, and reports median and maximum.
#   bench/metrics.sh [build-dir] [minutes]        defaults: build (the dev preset), 10
# Results go to <build-dir>/metrics-<date>/: durations.csv, summary.txt, the last metrics file and
# both programs' logs.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
minutes=${2:-10}

if [ ! -f "$build/build.ninja" ] && [ "$build" = build ]; then
  cmake --preset dev >/dev/null
fi
cmake --build "$build" -j2 --target ride-console bike-sim >/dev/null
out="$build/metrics-$(date +%Y%m%d-%H%M%S)"
mkdir -p "$out"
out=$(cd "$out" && pwd)
work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")" QT_QPA_PLATFORM=xcb

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
pids+=($!)
for _ in $(seq 100); do [ -e "$work/bike-tty" ] && break; sleep 0.1; done

cp "$build/bin/ride-console" "$work/app/"
printf '%s\r\n' '[串口设置]' '设置=9600,N,8,1' "端口=$work/bike-tty" \
  '[网络参数]' 'TxtTcpIp0=127.0.0.1' "TxtTcpPost0=$port" \
  '[视频文件]' '视频0=red.mp4' '视频1=blue.mp4' '来人播放时间单位秒=5' \
  '[视频1位置及大小]' '视频1位置左=900' '视频1位置上=700' '视频1宽=320' '视频1高=240' |
  iconv -f UTF-8 -t GBK >"$work/app/配置.ini"
metrics="$work/ride-console.prom"
"$work/app/ride-console" --metrics-file "$metrics" >"$out/console.log" 2>&1 &
console=$!
pids+=($console)
sleep 3
# "网络设置" is at (556,322) 124x30 in the console, which sits at the top left.
xdotool mousemove 618 337 click 1

# One line per write: the file is replaced by a rename, so each write has an inode of its own.
echo "seconds,write_duration_seconds,serial_records,tcp_records" >"$out/durations.csv"
start=$(date +%s)
end=$((start + minutes * 60 + 5))
last=""
while [ "$(date +%s)" -lt "$end" ]; do
  if ! kill -0 "$console" 2>/dev/null; then
    echo "metrics: the console ended by itself" | tee -a "$out/summary.txt" >&2
    exit 1
  fi
  inode=$(stat -c %i "$metrics" 2>/dev/null || true)
  if [ -n "$inode" ] && [ "$inode" != "$last" ]; then
    last=$inode
    awk -v t="$(( $(date +%s) - start ))" '
      /^ride_console_metrics_write_duration_seconds / {d=$2}
      /^ride_console_records_decoded_total\{source="serial"\}/ {s=$2}
      /^ride_console_records_decoded_total\{source="tcp0"\}/ {n=$2}
      END {if (d != "") print t "," d "," s "," n}' "$metrics" >>"$out/durations.csv"
    cp "$metrics" "$out/last.prom"
  fi
  sleep 0.5
done
kill "$console"
wait "$console" 2>/dev/null || true

python3 - "$out/durations.csv" "$minutes" >"$out/summary.txt" <<'EOF'
import csv, statistics, sys
rows = list(csv.DictReader(open(sys.argv[1])))
d = [float(r["write_duration_seconds"]) for r in rows]
print(f"metrics export over {sys.argv[2]} min with records flowing: {len(d)} writes timed")
if d:
    print(f"UI thread per write: median {1e3 * statistics.median(d):.3f} ms, max {1e3 * max(d):.3f} ms, "
          f"mean {1e3 * statistics.mean(d):.3f} ms")
    print(f"records decoded by the end: serial {rows[-1]['serial_records']}, tcp0 {rows[-1]['tcp_records']}")
EOF
cat "$out/summary.txt"
echo "metrics: results in $out"
