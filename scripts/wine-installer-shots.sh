#!/usr/bin/env bash
# Screenshots of the setup program's pages under Wine, on the stage cmake/wine-gui.sh makes (its
# own 1024x768 virtual display, Chinese fonts and locale), each page taken and then accepted with
# Enter as a user clicking 下一步 would, up to the last page (where the program is not started).
# Usage: scripts/wine-installer-shots.sh OUT_DIR [SETUP_EXE]
#   SETUP_EXE: build-windows/packages/Ledrimo-1.2-setup.exe (bash scripts/package.sh windows)
# It installs into a Wine prefix of its own, which it removes at the end.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
[ $# -ge 1 ] || { sed -n 5,6p "$0" >&2; exit 2; }
out=$(mkdir -p "$1" && cd "$1" && pwd)
setup=$(cd "$(dirname "${2:-$here/build-windows/packages/Ledrimo-1.2-setup.exe}")" && pwd)/$(basename "${2:-Ledrimo-1.2-setup.exe}")
[ -f "$setup" ] || { echo "wine-installer-shots.sh: $setup is missing (scripts/package.sh windows)" >&2; exit 1; }
for tool in xdotool import; do
  command -v "$tool" >/dev/null || { echo "wine-installer-shots.sh: $tool is missing (apt-get install xdotool imagemagick)" >&2; exit 1; }
done

export LEDRIMO_WINEPREFIX=$(mktemp -d)
eval "$("$here/cmake/wine-gui.sh" --setup)"
export DISPLAY
"$here/cmake/wine-gui.sh" "$setup" </dev/null >/dev/null 2>&1 &
pid=$!
finish() {
  kill "$pid" 2>/dev/null || true
  WINEPREFIX=$LEDRIMO_WINEPREFIX wineserver -k 2>/dev/null || true
  "$here/cmake/wine-gui.sh" --stop
  rm -rf "$LEDRIMO_WINEPREFIX"
}
trap finish EXIT

shot() { sleep "${2:-3}"; import -display "$DISPLAY" -window root "$out/$1.png"; echo "$out/$1.png"; }
shot installer-1 12          # the first page (the prefix is new: Wine starts slowly)
for page in 2 3 4 5; do
  xdotool key Return
  shot "installer-$page" 4
done
echo "done: $out"
