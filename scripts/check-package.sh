#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the Debian package and checks it as a user would meet it: lintian finds no error, the
# desktop entry and AppStream metadata validate, and the unpacked programs run: the report of
# 3 dice and the window, started offscreen and asked to stop as the session would ask it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/package.sh
deb=$(echo build-package/dorvanel_*.deb)
lintian --fail-on error "$deb"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root=$work/root
dpkg -x "$deb" "$root"

entry=$root/usr/share/applications/dorvanel.desktop
desktop-file-validate "$entry"
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml
icon=$(sed -n 's/^Icon=//p' "$entry")
for file in "$root/usr/share/icons/hicolor/256x256/apps/$icon.png" \
    "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg"; do
    [ -f "$file" ] || { echo "missing icon: $file" >&2; exit 1; }
done

diff -u - <("$root/usr/bin/dorvanel-report" 3 6) <<'REPORT'
Total Possible Rolls: 216
Min.: 3    Max.: 18
Value: 10.5
Value Possibilities: 27
Probability of Value: 12.5%
 3: 1
 4: 3
 5: 6
 6: 10
 7: 15
 8: 21
 9: 25
10: 27
11: 27
12: 25
13: 21
14: 15
15: 10
16: 6
17: 3
18: 1
REPORT

# SIGTERM after five seconds closes the window; a clean exit with the settings file written
# shows that it started and went through its close.
mkdir "$work/run"
(cd "$work/run" && QT_QPA_PLATFORM=offscreen \
    timeout --preserve-status --kill-after=10 5 "$root/usr/bin/dorvanel")
[ -f "$work/run/options.DAT" ] || { echo "the window did not save its settings" >&2; exit 1; }
echo "Package checks passed: $deb"
