#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Fails, naming them, when tracked source files lack the licence line at their top: the first
# line of C++ files, and of CMake files and shell scripts after the shebang line if they have
# one. Files are added all the time; this keeps each of them marked.
set -euo pipefail
cd "$(dirname "$0")/.."

missing=()
while IFS= read -r -d '' file; do
    [ -f "$file" ] || continue
    case $file in
    *.cpp | *.h) expected='// SPDX-License-Identifier: MIT' ;;
    CMakeLists.txt | */CMakeLists.txt | *.cmake | *.sh) expected='# SPDX-License-Identifier: MIT' ;;
    *)
        [ "$(head -c 2 "$file")" = '#!' ] || continue
        expected='# SPDX-License-Identifier: MIT'
        ;;
    esac
    top=$(head -n 1 "$file")
    [[ $top == '#!'* ]] && top=$(sed -n 2p "$file")
    [ "$top" = "$expected" ] || missing+=("$file")
done < <(git ls-files -z)

if [ ${#missing[@]} -gt 0 ]; then
    echo "These source files lack \"SPDX-License-Identifier: MIT\" at their top:" >&2
    printf '  %s\n' "${missing[@]}" >&2
    exit 1
fi
