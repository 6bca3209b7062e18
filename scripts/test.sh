#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors, and runs every test suite:
# unit tests, pseudo-terminal integration tests and the end-to-end tests on a virtual X server.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake --preset ci
cmake --build --preset ci
ctest --preset ci "$@"
