#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is missing and builds the Debian package into build-package/: a Release build
# with Debian's compiler and linker flags, every hardening option on, without the tests and
# benchmarks.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

build_dir=build-package
export DEB_BUILD_MAINT_OPTIONS=hardening=+all

bash scripts/build.sh "$build_dir" -DCMAKE_BUILD_TYPE=Release -DDORVANEL_BUILD_TESTS=OFF \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)"
rm -f "$build_dir"/*.deb
(cd "$build_dir" && cpack -G DEB)
