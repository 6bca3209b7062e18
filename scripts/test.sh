#!/usr/bin/env bash
# Installs what is missing, checks the house style, builds with warnings as errors, and runs
# every test suite:
# unit tests, pseudo-terminal integration tests, the end-to-end tests on a virtual X server and
# the fault tests; then the unit and fault suites again under AddressSanitizer and UBSan, and
# every fuzz target for 30 seconds; last the Debian package is built, installed, run and purged
# (as root only: it changes the machine).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
bash scripts/check-format.sh
# Includes and links go down between the rooms, as docs/architecture.md's table says; the
# self-test shows the check can fail.
bash scripts/check-layers.sh
bash scripts/check-layers.sh --self-test
cmake --preset ci
cmake --build --preset ci
ctest --preset ci "$@"

# The logic without Qt and X11: configured with Qt never looked for, built, unit-tested. A logic
# room that came to need the toolkit or the display fails here.
cmake --preset logic
cmake --build --preset logic
ctest --preset logic

cmake --preset asan
cmake --build --preset asan
ctest --preset asan -L 'unit|fault'

bash fuzz/run.sh 30

if [ "$(id -u)" -eq 0 ]; then
  bash tests/packaging/check_package.sh
else
  echo "test: the package checks install and purge the package; run as root to include them" >&2
fi
