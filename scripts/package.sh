#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package: a release build in build-package/ with Debian's hardening flags, then
# CPack's DEB generator. The package is left in build-package/ (ride-console_<version>_<arch>.deb).
set -euo pipefail
cd "$(dirname "$0")/.."

export DEB_BUILD_MAINT_OPTIONS=hardening=+all
# CMake reads CXXFLAGS and LDFLAGS but not CPPFLAGS, where the fortify define lives: fold it in.
# The binaries are stripped in the package, so the debug information -g would add is left out.
cxxflags="$(dpkg-buildflags --get CXXFLAGS | sed 's/\(^\| \)-g\( \|$\)/ /') $(dpkg-buildflags --get CPPFLAGS)"
ldflags="$(dpkg-buildflags --get LDFLAGS)"

cmake -S . -B build-package -G Ninja \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_CXX_FLAGS="$cxxflags" \
  -DCMAKE_EXE_LINKER_FLAGS="$ldflags" \
  -DRIDE_BUILD_TESTS=OFF -DRIDE_BUILD_BENCH=OFF
cmake --build build-package
(cd build-package && cpack -G DEB)
ls build-package/ride-console_*.deb
