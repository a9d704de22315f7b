#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Checks that every source file carries the licence line; installs what is missing, builds, and
# runs every test: once in a normal build, once under AddressSanitizer and
# UndefinedBehaviorSanitizer; then fuzzes the settings parser briefly and builds and checks the
# Debian package.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/check-spdx.sh
bash scripts/install-deps.sh

export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

bash scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo
ctest --test-dir build --output-on-failure -j "$jobs"

bash scripts/build.sh build-sanitize -DCMAKE_BUILD_TYPE=Debug -DDORVANEL_SANITIZE=ON
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build-sanitize --output-on-failure -j "$jobs"

bash scripts/fuzz-settings.sh 20

bash scripts/check-package.sh
