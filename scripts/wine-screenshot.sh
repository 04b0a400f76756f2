#!/usr/bin/env bash
# A screenshot of a Windows program as it shows under Wine, on the stage cmake/wine-gui.sh makes
# (its own virtual display when none is set, Chinese fonts, the Chinese locale).
# Usage: scripts/wine-screenshot.sh OUT.png [--delay SECONDS] PROGRAM.exe [ARGS...]
# Starts the program, waits (3 seconds unless told), photographs the whole screen with
# ImageMagick's import, and ends the program if it still runs. Example, the stage's own check:
#   scripts/wine-screenshot.sh stage.png build-windows/tests/win32/win32_stage_tests.exe --show 6
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
[ $# -ge 2 ] || { sed -n 4,7p "$0" >&2; exit 2; }
out=$1
shift
delay=3
if [ "$1" = --delay ]; then
  delay=$2
  shift 2
fi
command -v import >/dev/null || { echo "wine-screenshot.sh: import is missing (apt-get install imagemagick)" >&2; exit 1; }
eval "$("$here/cmake/wine-gui.sh" --setup)"
export DISPLAY
"$here/cmake/wine-gui.sh" "$@" </dev/null >/dev/null 2>&1 &
pid=$!
sleep "$delay"
import -display "$DISPLAY" -window root "$out"
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
echo "$out"
