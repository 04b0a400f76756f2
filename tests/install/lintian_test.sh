#!/usr/bin/env bash
# The Debian package of this build, made by CPack into a temporary folder, checked by lintian:
# any error fails (warnings are shown, not counted).
# Usage: lintian_test.sh CPACK BUILD_DIR
set -euo pipefail
cpack=$1
build=$2
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1 ||
  { cat "$out/cpack.log"; echo "FAIL: cpack" >&2; exit 1; }
deb=$(ls "$out"/ledrimo_*.deb)
# As root (CI) lintian wants to be told that this is meant.
lintian --allow-root --fail-on error --no-tag-display-limit "$deb"
echo "lintian: no errors in $(basename "$deb")"
