#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the libFuzzer targets with clang and runs each for SECONDS (CI: 30).
#   fuzz/run.sh SECONDS [TARGET...]     e.g. fuzz/run.sh 600 settings_file_fuzz
# New inputs go to build-fuzz/corpus/<name>/ (the seeds in fuzz/corpus/<name>/ are only read);
# a crash leaves its input in build-fuzz/artifacts/ and makes the script fail. Each target's
# final figures (executions, coverage, features) are printed at the end.
# RIDE_FUZZ_BUILD_DIR picks another build directory; RIDE_FUZZ_NO_BUILD=1 skips the build.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:?usage: fuzz/run.sh SECONDS [TARGET...]}
shift
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(record_decoder_fuzz settings_file_fuzz key_notation_fuzz hex_item_fuzz numeric_value_fuzz)
fi
build=${RIDE_FUZZ_BUILD_DIR:-build-fuzz}

if [ "${RIDE_FUZZ_NO_BUILD:-0}" != 1 ]; then
  compiler=$(command -v clang++-14 || command -v clang++)
  # A logic-only build: Qt is not even looked for, so these targets prove that the logic builds
  # and links without the toolkit and the display.
  cmake -S . -B "$build" -G Ninja -DCMAKE_CXX_COMPILER="$compiler" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS="-g -O1 -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer -fsanitize=fuzzer-no-link" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
    -DRIDE_LOGIC_ONLY=ON -DCMAKE_DISABLE_FIND_PACKAGE_Qt6=ON \
    -DRIDE_BUILD_FUZZ=ON -DRIDE_BUILD_TESTS=OFF -DRIDE_BUILD_BENCH=OFF >/dev/null
  cmake --build "$build" --target "${targets[@]}" -- -j "${RIDE_BUILD_JOBS:-$(nproc)}"
  for target in "${targets[@]}"; do
    if ldd "$build/bin/$target" | grep -E 'libQt|libX11|libXtst'; then
      echo "fuzz: $target links Qt or X11, but the logic it drives must not" >&2
      exit 1
    fi
  done
fi

mkdir -p "$build/artifacts" "$build/logs"

# One target for its time; its one-line result goes to logs/<target>.result.
run_one() {
  local target=$1 name=${1%_fuzz}
  mkdir -p "$build/corpus/$name"
  local dict=()
  if [ -f "fuzz/$name.dict" ]; then
    dict=(-dict="fuzz/$name.dict")
  fi
  local log="$build/logs/$target.log"
  echo "fuzz: $target for ${seconds}s (log: $log)"
  # Stderr of the code under test (its log lines) is discarded; libFuzzer and the sanitizers keep
  # reporting on a descriptor of their own.
  if "$build/bin/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -close_fd_mask=2 \
       -print_final_stats=1 -artifact_prefix="$build/artifacts/$target-" "${dict[@]}" \
       "$build/corpus/$name" "fuzz/corpus/$name" >"$log" 2>&1; then
    local execs last
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    last=$(grep -E '^#[0-9]+' "$log" | tail -1 | grep -oE 'cov: [0-9]+ ft: [0-9]+ corp: [0-9]+/[0-9]+[a-zA-Z]*' || true)
    echo "$target: $execs executions, $last, no crash" >"$build/logs/$target.result"
  else
    echo "FAILED $target (see $log and $build/artifacts/)" >"$build/logs/$target.result"
    grep -a -A40 -E 'invariant broken|ERROR: (libFuzzer|AddressSanitizer|UndefinedBehaviorSanitizer)|runtime error' "$log" | head -60 >&2 || tail -40 "$log" >&2
  fi
}

# Each target is one process on one core: as many at a time as there are cores.
parallel=${RIDE_FUZZ_JOBS:-$(nproc)}
for target in "${targets[@]}"; do
  rm -f "$build/logs/$target.result"
  while [ "$(jobs -rp | wc -l)" -ge "$parallel" ]; do
    wait -n || true
  done
  run_one "$target" &
done
wait

failed=()
for target in "${targets[@]}"; do
  result=$(cat "$build/logs/$target.result" 2>/dev/null || echo "FAILED $target (no result)")
  echo "$result"
  case "$result" in FAILED*) failed+=("$target") ;; esac
done
if [ ${#failed[@]} -ne 0 ]; then
  echo "fuzz: failed: ${failed[*]}" >&2
  exit 1
fi
