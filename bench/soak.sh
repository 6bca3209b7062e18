#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A long day in a short time: the real program on a virtual X server of its own, fed 100 records a
# second over the serial line and over TCP at once by bike-sim, with the network window open (the
# channel connected and carrying the heartbeat) and a video looping in the player window. Every
# 10 s it samples the program's resident memory, open descriptors and CPU time; at the end it
# counts the heartbeat texts the TCP peer received (one a second, in order, none missed).
#   bench/soak.sh [build-dir] [minutes]        defaults: build (the dev preset), 30
# Results go to <build-dir>/soak-<date>/: samples.csv, summary.txt and both programs' logs.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
minutes=${2:-30}

source bench/fed_site.sh
prepare_fed_site soak
"$work/app/ride-console" >"$out/console.log" 2>&1 &
console=$!
pids+=($console)
sleep 3
# "网络设置" is at (556,322) 124x30 in the console, which sits at the top left.
xdotool mousemove 618 337 click 1
opened=$(date +%s)

hz=$(getconf CLK_TCK)
echo "seconds,rss_kb,fds,threads,cpu_seconds,pointer,anon_kb,file_kb,shmem_kb" >"$out/samples.csv"
start=$(date +%s)
end=$((start + minutes * 60))
while [ "$(date +%s)" -lt "$end" ]; do
  if ! kill -0 "$console" 2>/dev/null; then
    echo "soak: the console ended by itself" | tee -a "$out/summary.txt" >&2
    exit 1
  fi
  rss=$(awk '/^VmRSS:/ {print $2}' "/proc/$console/status")
  threads=$(awk '/^Threads:/ {print $2}' "/proc/$console/status")
  fds=$(find "/proc/$console/fd" -mindepth 1 -maxdepth 1 | wc -l)
  cpu=$(awk -v hz="$hz" '{printf "%.2f", ($14 + $15) / hz}' "/proc/$console/stat")
  pointer=$(xdotool getmouselocation | awk '{sub("x:","",$1); sub("y:","",$2); print $1 "x" $2}')
  # Resident memory by kind: heap and stacks, mapped library and font files, shared memory.
  kinds=$(awk '/^RssAnon:/ {a=$2} /^RssFile:/ {f=$2} /^RssShmem:/ {s=$2} END {print a "," f "," s}' "/proc/$console/status")
  echo "$(( $(date +%s) - start )),$rss,$fds,$threads,$cpu,$pointer,$kinds" >>"$out/samples.csv"
  sleep 10
done
# What is on the player window's place (below the network window) now: the looping clip (blue)?
ffmpeg -loglevel error -y -f x11grab -draw_mouse 0 -video_size 16x16 -i "$DISPLAY+1050,800" -frames:v 1 \
  -f rawvideo -pix_fmt rgb24 "$work/pixel.rgb" || true
video=$(python3 -c 'import sys; d=open(sys.argv[1],"rb").read(); print("%d,%d,%d" % (d[0],d[1],d[2]) if d else "none")' \
  "$work/pixel.rgb" 2>/dev/null || echo none)
kill "$console"
wait "$console" 2>/dev/null || true
stopped=$(date +%s)
kill -INT "$sim"
wait "$sim" 2>/dev/null || true

# The heartbeat texts arrive back to back: 99991 99992 ... 100001 0 1 2 ... Walk the stream along
# that sequence; anything else is a lost or garbled heartbeat.
python3 - "$out/bike-sim.log" "$out/samples.csv" "$((stopped - opened))" "$minutes" "$video" >"$out/summary.txt" <<'EOF'
import csv, re, sys
log, samples, seconds, minutes, video = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4], sys.argv[5]
stream = "".join(m.group(1) for m in re.finditer(r'from console over tcp [^:]*:\d+: "(.*)"$', open(log, encoding="utf-8", errors="replace").read(), re.M))
value, count, at = 99991, 0, 0
while at < len(stream):
    text = str(value)
    if not stream.startswith(text, at):
        break
    at += len(text); count += 1
    value = 0 if value > 100000 else value + 1
rows = [r for r in csv.DictReader(open(samples))]
def after(s): return [r for r in rows if int(r["seconds"]) >= s]
late = after(60)
first, last = late[0], late[-1]
rss = [int(r["rss_kb"]) for r in late]; fds = [int(r["fds"]) for r in late]
cpu = (float(last["cpu_seconds"]) - float(first["cpu_seconds"])) / max(1, int(last["seconds"]) - int(first["seconds"]))
print(f"soak of {minutes} min, {len(rows)} samples every 10 s")
print(f"resident memory: {first['rss_kb']} kB at {first['seconds']} s, {last['rss_kb']} kB at {last['seconds']} s "
      f"(growth {int(last['rss_kb']) - int(first['rss_kb'])} kB; range after the first minute {min(rss)}..{max(rss)} kB)")
print("by kind, first minute excluded: " + ", ".join(
    f"{kind} {first[kind + '_kb']} -> {last[kind + '_kb']} kB" for kind in ("anon", "file", "shmem")))
print(f"open descriptors: {first['fds']} at {first['seconds']} s, {last['fds']} at {last['seconds']} s (range {min(fds)}..{max(fds)})")
print(f"threads: {first['threads']} .. {last['threads']}; CPU after the first minute: {100 * cpu:.1f}% of one core")
print(f"heartbeat: {count} texts received in order over {seconds} s with the network window open "
      f"({'all' if at == len(stream) else 'NOT all'} of the {len(stream)} characters received are the expected sequence)")
print(f"player window pixel (RGB) at the end: {video}")
print("bike-sim: " + [l for l in open(log, encoding="utf-8", errors="replace") if "; sent " in l][-1].strip())
print("pointer positions seen in the samples: " + ", ".join(sorted({r["pointer"] for r in rows})))
EOF
cat "$out/summary.txt"
echo "soak: results in $out"
