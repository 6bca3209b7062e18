#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
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

source bench/fed_site.sh
prepare_fed_site metrics
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
