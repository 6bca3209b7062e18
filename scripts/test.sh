#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, checks the house style, the layers and the licence lines, builds with
# warnings as errors, and runs every test suite: unit tests, pseudo-terminal integration tests,
# the end-to-end tests on virtual X servers and the fault tests; then the logic without Qt and
# X11, the unit and fault suites again under AddressSanitizer and UBSan, and every fuzz target for
# 30 seconds; last the Debian package is built, installed, run and purged (as root only: it
# changes the machine). Each stage prints its time when it ends, and all of them at the end.
set -euo pipefail
cd "$(dirname "$0")/.."

stages=()
stage() { # stage NAME COMMAND...: runs one stage and says how long it took
  local name=$1 start=$SECONDS
  shift
  "$@"
  local took=$((SECONDS - start))
  stages+=("$(printf '%-10s %4d s' "$name" "$took")")
  echo "test: stage $name took $took s" >&2
}

checks() {
  bash scripts/check-format.sh
  # Includes and links go down between the rooms, as docs/architecture.md's table says; the
  # self-test shows the check can fail.
  bash scripts/check-layers.sh
  bash scripts/check-layers.sh --self-test
  bash scripts/check-licence.sh
}

build() { # build PRESET: configure and build
  cmake --preset "$1"
  cmake --build --preset "$1"
}

packaging() {
  if [ "$(id -u)" -eq 0 ]; then
    bash tests/packaging/check_package.sh
  else
    echo "test: the package checks install and purge the package; run as root to include them" >&2
  fi
}

stage setup bash scripts/setup.sh
stage checks checks
stage ci-build build ci
stage ci-tests ctest --preset ci "$@"
# The logic without Qt and X11: configured with Qt never looked for, built, unit-tested. A logic
# room that came to need the toolkit or the display fails here.
stage logic-build build logic
stage logic-tests ctest --preset logic
stage asan-build build asan
stage asan-tests ctest --preset asan -L 'unit|fault'
stage fuzz bash fuzz/run.sh 30
stage package packaging

echo "test: every stage passed; their times:" >&2
printf '  %s\n' "${stages[@]}" >&2
