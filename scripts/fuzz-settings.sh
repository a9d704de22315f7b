#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the settings parser's fuzz target with clang's libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs it for a bounded time (seconds, default 25) on a small
# seed corpus. Exits non-zero when the fuzzer finds a crash. Needs clang and libclang-rt-14-dev.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-25}
build_dir=build-fuzz

sanitizers="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined"
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_CXX_FLAGS="$sanitizers -fno-omit-frame-pointer" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
    -DDORVANEL_BUILD_TESTS=OFF -DDORVANEL_FUZZ=ON
cmake --build "$build_dir" --target fuzz_settings

# Seeds: the default file, every key with both line breaks, and the usual faults.
corpus=$build_dir/fuzz-corpus
rm -rf "$corpus"
mkdir -p "$corpus"
printf 'SHOWX\r\nPENCOLOR\r\n65280\r\nFILLCOLOR\r\n16711680\r\nBACKGROUNDCOLOR\r\n0\r\nGRAPHSTYLE\r\n0\r\n' \
    >"$corpus/default"
printf 'SHOWY\nSHOWX\rGRAPHSTYLE\n-1\rPENCOLOR\r\n-16777216\nBACKGROUNDCOLOR\n2147483647' \
    >"$corpus/every-key"
printf 'SHOWY\r\nPENCOLOR\r\nlime\r\n' >"$corpus/bad-value"
printf 'FILLCOLOR' >"$corpus/missing-value"

ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    "$build_dir/settings/fuzz_settings" -max_total_time="$seconds" -timeout=10 \
    -artifact_prefix="$build_dir/" -print_final_stats=1 "$corpus"
