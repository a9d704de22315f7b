#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Configures and builds into the given directory; further arguments go to CMake.
set -euo pipefail
build_dir=$1
shift
cd "$(dirname "$0")/.."
cmake -S . -B "$build_dir" -G Ninja "$@"
cmake --build "$build_dir"
