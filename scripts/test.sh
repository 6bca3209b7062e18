#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors, and runs every test suite:
# unit tests, pseudo-terminal integration tests, the end-to-end tests on a virtual X server and
# the fault tests; then the unit and fault suites again under AddressSanitizer and UBSan, and
# every fuzz target for 30 seconds.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake --preset ci
cmake --build --preset ci
ctest --preset ci "$@"

cmake --preset asan
cmake --build --preset asan
ctest --preset asan -L 'unit|fault'

bash fuzz/run.sh 30
