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
# Release without debugging information (ledrimo-db.exe had 62 MB with it, now 5 MB), at -O2 as
# the Linux build: -O3 was at most a few per cent faster under Wine, within this machine's noise,
# and makes GCC 12 warn wrongly inside libstdc++ (-Wrestrict, -Wstringop-overread). The tests run
# on what ships.
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG" -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-i686.cmake" -DLEDRIMO_BENCH=OFF "${launcher[@]}" >/dev/null
cmake --build "$dir" -j "$(nproc)"
echo "Windows executables: $dir/tools/ledrimo-db.exe"
