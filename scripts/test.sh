#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Checks that every source file carries the licence line; installs what is missing, builds, and
# runs every test: once in a normal build, whose report program is also checked on emulated
# processors without AVX-512 and without AVX2, once under AddressSanitizer and
# UndefinedBehaviorSanitizer, and the engine's threaded tests under ThreadSanitizer; then fuzzes
# the settings parser briefly and builds and checks the Debian package.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/check-spdx.sh
bash scripts/install-deps.sh

export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

bash scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo
ctest --test-dir build --output-on-failure -j "$jobs"
bash scripts/check-processors.sh build

bash scripts/build.sh build-sanitize -DCMAKE_BUILD_TYPE=Debug -DDORVANEL_SANITIZE=ON
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build-sanitize --output-on-failure -j "$jobs"

# The engine's threads under ThreadSanitizer: the two ends of a table, the shared steps and
# cancellation. Only the tests that drive them are built, to keep the run short.
cmake -S . -B build-thread-sanitize -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DDORVANEL_THREAD_SANITIZE=ON
cmake --build build-thread-sanitize --target tst_pools tst_distribution
TSAN_OPTIONS="halt_on_error=1 suppressions=$PWD/tests/thread_sanitizer.supp" \
    ctest --test-dir build-thread-sanitize -R '^tst_(pools|distribution)$' --output-on-failure \
    -j "$jobs"

bash scripts/fuzz-settings.sh 20

bash scripts/check-package.sh
