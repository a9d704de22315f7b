#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs a few pools with long counts through dorvanel-report on emulated processors, one with AVX2
# but no AVX-512 and one with neither, and checks that each prints byte for byte what this
# machine prints: every processor's limb loops give the same counts. Takes the build directory
# (default build); needs qemu-user.
set -euo pipefail
cd "$(dirname "$0")/.."
report=${1:-build}/tools/dorvanel-report

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0

# dorvanel-report with these arguments, natively and on each emulated processor.
check() {
    "$report" "$@" >"$work/native"
    for cpu in Haswell Nehalem; do
        # QEMU warns of features its emulation leaves out, which the program does not use.
        qemu-x86_64 -cpu "$cpu" "$report" "$@" >"$work/$cpu" \
            2> >(grep -v "TCG doesn't support requested feature" >&2) ||
            echo "exit status $?" >>"$work/$cpu"
        if ! cmp -s "$work/native" "$work/$cpu"; then
            echo "$cpu: dorvanel-report $* differs from this machine's" >&2
            failed=1
        fi
    done
}

# Counts of 500 to 600 limbs: the lanes' division, the combination of several sizes, kept dice,
# counted successes, and a table kept as checkpoints and recomputed as it is listed.
check 10000d3
check "7000d3 + 3000d4"
check "6000d3 - 3000d4 + 1000dF"
check "9000d3 + 4d6kh3"
check "6000d3>=2 + 2000d6 - 1000d4"
check --memory-limit 2000000 10000d3
exit $failed
