#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the Debian packages that building and testing Dorvanel needs, when any is missing.
set -euo pipefail

# Fonts: the nearest faces to the window's sans and fixed-pitch ones. clang and its runtime
# build the settings parser's fuzz target. dpkg-dev builds the Debian package; the last three
# check it. qemu-user runs the report program on processors without this machine's vector lanes.
packages=(cmake ninja-build g++ qt6-base-dev fonts-liberation2 fonts-dejavu-core clang libclang-rt-14-dev
    dpkg-dev lintian desktop-file-utils appstream qemu-user)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

as_root=()
[ "$(id -u)" -ne 0 ] && as_root=(sudo)
echo "Installing: ${missing[*]}"
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
