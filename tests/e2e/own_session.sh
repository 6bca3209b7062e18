#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# own_session.sh [--bus] COMMAND...: runs a test suite in a session of its own. A private runtime
# directory holds its accessibility bus and D-Bus sockets, so suites can run side by side without
# meeting on the user's; --bus starts a D-Bus session for it too.
set -eu
dir=$(mktemp -d "${TMPDIR:-/tmp}/ride-e2e.XXXXXX")
chmod 700 "$dir"
trap 'rm -rf "$dir"' EXIT
export XDG_RUNTIME_DIR="$dir"
if [ "$1" = --bus ]; then
  shift
  dbus-run-session -- "$@"
else
  "$@"
fi
