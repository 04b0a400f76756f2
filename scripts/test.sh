#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test: the normal build, then the whole suite
# again built with AddressSanitizer and UndefinedBehaviorSanitizer, then a short fuzzing run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test

# The oracle reader for interop tests lives outside the sources (and outside ../shared).
npm_dir=${LEDRIMO_NPM_DIR:-$HOME/.cache/ledrimo-npm}
if [ ! -f "$npm_dir/node_modules/mdb-reader/package.json" ]; then
  mkdir -p "$npm_dir"
  (cd "$npm_dir" && npm install --silent --no-audit --no-fund mdb-reader@3.2.0 >/dev/null)
fi
export LEDRIMO_NODE_PATH="$npm_dir/node_modules"

# The tests run under the program's own locale, zh_CN.UTF-8; Debian's image has it not generated.
if ! locale -a 2>/dev/null | grep -qix 'zh_CN\.utf-\?8'; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO=sudo
  $SUDO localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
fi

# No display here: Qt draws offscreen.
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
export LANG=${LANG:-zh_CN.UTF-8}
jobs=$(nproc)

echo "== build and test"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs" --timeout 600

echo "== Debian package"
bash scripts/package.sh build

echo "== build and test with AddressSanitizer + UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DLEDRIMO_SANITIZE=ON -DLEDRIMO_BENCH=OFF >/dev/null
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs" --timeout 900

echo "== Windows build (mingw-w64, 32-bit) and its tests under Wine"
bash scripts/build-windows.sh build-windows
cmake -S . -B build-windows -DLEDRIMO_LINUX_TOOL="$PWD/build/tools/ledrimo-db" >/dev/null
export LEDRIMO_WINEPREFIX=${LEDRIMO_WINEPREFIX:-$HOME/.cache/ledrimo-wine}
# The stage for the tests with windows first (a display, fonts): Wine's desktop process starts
# with the first program and keeps the display it finds.
eval "$(cmake/wine-gui.sh --setup)"
export DISPLAY
# One wineserver for the whole run (a cold start of each program would take a second more), and
# Wine's services started with our standard streams closed to them (build-windows.sh).
WINEPREFIX=$LEDRIMO_WINEPREFIX wineserver -p </dev/null >/dev/null 2>&1 || true # one may run already
WINEPREFIX=$LEDRIMO_WINEPREFIX cmake/wine-run.sh wineboot </dev/null >/dev/null 2>&1
# At the end the wineserver, then the stage's virtual display (if wine-gui.sh started one).
stop_wineserver() {
  WINEPREFIX=$LEDRIMO_WINEPREFIX wineserver -k 2>/dev/null || true
  cmake/wine-gui.sh --stop
}
trap stop_wineserver EXIT
LC_ALL=C.UTF-8 ctest --test-dir build-windows --output-on-failure -j "$jobs" --timeout 900
echo "== Windows installer and portable zip"
bash scripts/package.sh windows build-windows
stop_wineserver
trap - EXIT

if [ -f fuzz/run.sh ]; then
  echo "== short fuzzing run"
  bash fuzz/run.sh 60
fi
echo "All tests passed."
