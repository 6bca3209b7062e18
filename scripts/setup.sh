#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs every Debian package that building, running and testing ride-console needs.
# Does nothing (and asks the network nothing) when all of them are already installed.
set -euo pipefail

packages=(
  # build (mold links the test builds' sixty-odd executables)
  build-essential cmake ninja-build pkg-config g++ mold
  # program
  qt6-base-dev qt6-serialport-dev libqt6serialport6 qt6-qpa-plugins
  libmpv-dev libx11-dev libxtst-dev libxext-dev libx11-xcb-dev libxcb1-dev
  fonts-wqy-zenhei at-spi2-core
  # tests, benchmarks and the demo
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth xdotool x11-utils socat ffmpeg dbus dbus-x11 procps python3 python3-pyatspi
  # the X server's client count, for the one-connection test
  libxres-dev
  # a real window manager for the keyboard focus tests
  openbox
  # a Windows program under Wine for the key tests, built with MinGW
  wine64 gcc-mingw-w64-x86-64
  # what the program opens (its directory, and what PAM asks the kernel for at a login);
  # Xft.dpi on the tests' own X servers (xrdb)
  strace x11-xserver-utils
  # the Debian package and its checks
  dpkg-dev fakeroot lintian desktop-file-utils adduser binutils systemd
  # fuzz targets (libFuzzer)
  clang-14 libclang-rt-14-dev
  # the house style (InsertBraces needs clang-format 15)
  clang-format-15
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "setup: installing ${missing[*]}" >&2
if [ "$(id -u)" -ne 0 ]; then
  SUDO=sudo
else
  SUDO=
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
