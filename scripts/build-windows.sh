#!/usr/bin/env bash
# Builds the Windows executables (32-bit, i686-w64-mingw32, linked statically: no DLLs beside
# them) and their tests with the mingw-w64 cross compiler, into build-windows/:
#   build-windows/tools/ledrimo-db.exe
# Usage: scripts/build-windows.sh [BUILD_DIR]   (installs what it needs first: deps.sh windows)
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-windows}
scripts/deps.sh windows
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
# The build runs ledrimo-mkimage.exe under Wine to make the database image. The prefix is made
# (and Wine's own background services started) with nothing of ours on their standard streams:
# a service holding a build step's output open would keep the build waiting for its end.
export WINEPREFIX=${LEDRIMO_WINEPREFIX:-$HOME/.cache/ledrimo-wine}
cmake/wine-run.sh wineboot </dev/null >/dev/null 2>&1
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-i686.cmake" -DLEDRIMO_BENCH=OFF "${launcher[@]}" >/dev/null
cmake --build "$dir" -j "$(nproc)"
echo "Windows executables: $dir/tools/ledrimo-db.exe"
